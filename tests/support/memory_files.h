// Files kept in memory, for tests that make file operations fail on request:
// a read, a size, a close, a creation, a flush, a rename or a deletion, or a
// disk that fills up.
#ifndef SELVANORE_TESTS_SUPPORT_MEMORY_FILES_H
#define SELVANORE_TESTS_SUPPORT_MEMORY_FILES_H

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

struct MemoryFile {
    MemoryFile();
    std::vector<uint8_t> data;
    bool open = false;
    // What tells this file from every other, as an inode does: never reused.
    uint64_t serial;
};

struct MemoryDisk {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<MemoryFile>> files;
    // Bytes all files together may hold; a write past it is cut short.
    uint64_t capacity = UINT64_MAX;
    // Failures on request, by file name.
    std::string failReadOf;  // every read of it fails
    std::string failSizeOf;
    std::string failCloseOf;
    std::set<std::string> failDeleteOf;
    bool failCreate = false;
    bool failFlush = false;
    bool failRename = false;
    // The answers of the next publications of the joined file, in order
    // (each taken before anything is done); a real publication once none is
    // left. The free space GetFreeSpace tells (none when unknown), and the
    // pauses of the retries, counted.
    std::deque<Placement> publishFailures;
    uint64_t freeSpace = UINT64_MAX;
    bool freeSpaceKnown = true;
    uint32_t sleeps = 0;
    // The values UnpredictableBits gives, in order; a count once they run out.
    std::deque<uint64_t> randomBits;
    uint64_t randomCalls = 0;
    // What happened.
    std::vector<std::string> opened;
    // Every operation on a name, in order: "open NAME", "create NAME",
    // "flush NAME", "delete NAME", "rename FROM TO", "rename-replace FROM TO",
    // "publish TEMP TO", "publish-replace TEMP TO", "keep TEMP" or
    // "discard TEMP".
    std::vector<std::string> operations;
    std::vector<uint32_t> writeSizes;
    uint32_t scratchFiles = 0;  // scratch files made
};

extern MemoryDisk g_disk;

void ResetMemoryDisk();
void PutMemoryFile(const std::string& name, const std::vector<uint8_t>& data);
void PutMemoryFile(const std::string& name, uint64_t size, uint32_t seed);
bool MemoryFileExists(const std::string& name);
std::vector<uint8_t> MemoryFileData(const std::string& name);
bool AnyMemoryFileOpen();

#endif

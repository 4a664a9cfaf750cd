#include "tests/support/memory_files.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <random>

#include "platform/platform.h"

MemoryDisk g_disk;

MemoryFile::MemoryFile() {
    static std::atomic<uint64_t> serials{0};
    serial = ++serials;
}

struct PlatformFile {
    std::string name;
    std::shared_ptr<MemoryFile> file;
    uint64_t position;
    bool placed;
};

namespace {

uint64_t UsedBytes() {
    uint64_t used = 0;
    for (const auto& entry : g_disk.files) used += entry.second->data.size();
    return used;
}

}  // namespace

void ResetMemoryDisk() {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.files.clear();
    g_disk.capacity = UINT64_MAX;
    g_disk.failReadOf.clear();
    g_disk.failSizeOf.clear();
    g_disk.failCloseOf.clear();
    g_disk.failDeleteOf.clear();
    g_disk.failCreate = false;
    g_disk.failFlush = false;
    g_disk.failRename = false;
    g_disk.scratchFiles = 0;
    g_disk.publishFailures.clear();
    g_disk.freeSpace = UINT64_MAX;
    g_disk.freeSpaceKnown = true;
    g_disk.sleeps = 0;
    g_disk.randomBits.clear();
    g_disk.randomCalls = 0;
    g_disk.opened.clear();
    g_disk.operations.clear();
    g_disk.writeSizes.clear();
}

void PutMemoryFile(const std::string& name, const std::vector<uint8_t>& data) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    auto& file = g_disk.files[name];
    if (!file) file = std::make_shared<MemoryFile>();
    file->data = data;
}

void PutMemoryFile(const std::string& name, uint64_t size, uint32_t seed) {
    std::vector<uint8_t> data(size);
    std::mt19937 rng(seed);
    for (auto& byte : data) byte = static_cast<uint8_t>(rng());
    PutMemoryFile(name, data);
}

bool MemoryFileExists(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    return g_disk.files.count(name) != 0;
}

std::vector<uint8_t> MemoryFileData(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    auto it = g_disk.files.find(name);
    return it == g_disk.files.end() ? std::vector<uint8_t>() : it->second->data;
}

bool AnyMemoryFileOpen() {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    for (const auto& entry : g_disk.files) {
        if (entry.second->open) return true;
    }
    return false;
}

// ---- The platform's file operations -----------------------------------------

FileHandle OpenPartFile(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.opened.push_back(name);
    g_disk.operations.push_back(std::string("open ") + name);
    auto it = g_disk.files.find(name);
    if (it == g_disk.files.end() || it->second->open) return nullptr;
    it->second->open = true;
    return new PlatformFile{name, it->second, 0, false};
}

FileHandle CreateNewFile(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string("create ") + name);
    if (g_disk.failCreate || g_disk.files.count(name) != 0) return nullptr;
    auto file = std::make_shared<MemoryFile>();
    file->open = true;
    g_disk.files[name] = file;
    return new PlatformFile{name, file, 0, false};
}

int GetFileSize64(FileHandle file, uint64_t* size) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    if (file->name == g_disk.failSizeOf) return 0;
    *size = file->file->data.size();
    return 1;
}

int ReadFileBlock(FileHandle file, void* buffer, uint32_t size, uint32_t* readCount) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    if (file->name == g_disk.failReadOf) {
        *readCount = 0;
        return 0;
    }
    const std::vector<uint8_t>& data = file->file->data;
    uint64_t left = data.size() > file->position ? data.size() - file->position : 0;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, left));
    if (n != 0) std::memcpy(buffer, data.data() + file->position, n);
    file->position += n;
    *readCount = n;
    return 1;
}

int WriteFileBlock(FileHandle file, const void* buffer, uint32_t size, uint32_t* writtenCount) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.writeSizes.push_back(size);
    uint64_t used = UsedBytes();
    uint64_t room = g_disk.capacity > used ? g_disk.capacity - used : 0;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, room));
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t>& data = file->file->data;
    if (data.size() < file->position + n) data.resize(file->position + n);
    std::copy(bytes, bytes + n, data.begin() + static_cast<std::ptrdiff_t>(file->position));
    file->position += n;
    *writtenCount = n;
    return n == size;
}

int SeekFile(FileHandle file, uint64_t offset) {
    file->position = offset;
    return 1;
}

int FlushFile(FileHandle file) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back("flush " + file->name);
    return !g_disk.failFlush;
}

int CloseFile(FileHandle file) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    file->file->open = false;
    bool ok = file->name != g_disk.failCloseOf;
    delete file;
    return ok;
}

int DeleteNamedFile(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string("delete ") + name);
    if (g_disk.failDeleteOf.count(name) != 0) return 0;
    auto it = g_disk.files.find(name);
    if (it == g_disk.files.end() || it->second->open) return 0;
    g_disk.files.erase(it);
    return 1;
}

int NameExists(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    return g_disk.files.count(name) != 0;
}

int RenameFile(const char* from, const char* to, int replace) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string(replace ? "rename-replace " : "rename ") + from + " " + to);
    auto source = g_disk.files.find(from);
    if (g_disk.failRename || source == g_disk.files.end() || source->second->open) return 0;
    auto target = g_disk.files.find(to);
    if (target != g_disk.files.end() && (!replace || target->second->open)) return 0;
    std::shared_ptr<MemoryFile> file = source->second;
    g_disk.files.erase(source);
    g_disk.files[to] = file;
    return 1;
}

uint64_t UnpredictableBits() {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    ++g_disk.randomCalls;
    if (g_disk.randomBits.empty()) return g_disk.randomCalls;
    uint64_t bits = g_disk.randomBits.front();
    g_disk.randomBits.pop_front();
    return bits;
}

// ---- The joined file ----------------------------------------------------------
//
// Made under its temporary name, as where the system cannot make it vanish;
// a file is known by its object, so a file put at a name meanwhile is
// another file.

namespace {

FileIdentity IdentityOf(const std::shared_ptr<MemoryFile>& file) {
    return FileIdentity{1, file->serial, 1};
}

bool HoldsJobFile(const std::string& name, const PlatformFile& file) {
    auto it = g_disk.files.find(name);
    return it != g_disk.files.end() && it->second == file.file;
}

}  // namespace

NameLookup IdentifyName(const char* name, FileIdentity* identity) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    *identity = FileIdentity{};
    auto it = g_disk.files.find(name);
    if (it == g_disk.files.end()) return NameLookup::Absent;
    *identity = IdentityOf(it->second);
    return NameLookup::Found;
}

FileHandle CreateJoinedFile(const char* tempName) { return CreateNewFile(tempName); }

// A scratch file has no name on the disk: it is counted among the files
// made, and gone once closed.
FileHandle CreateScratchFile(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string("scratch ") + name);
    if (g_disk.failCreate) return nullptr;
    auto file = std::make_shared<MemoryFile>();
    file->open = true;
    ++g_disk.scratchFiles;
    return new PlatformFile{std::string("scratch ") + name, file, 0, false};
}

PlacementResult PublishJoinedFile(FileHandle file, const char* tempName, const char* to,
                                  const FileIdentity* agreed) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string(agreed != nullptr ? "publish-replace " : "publish ") + tempName + " " + to);
    if (!g_disk.publishFailures.empty()) {
        Placement failure = g_disk.publishFailures.front();
        g_disk.publishFailures.pop_front();
        if (failure != Placement::Placed) return PlacementResult{failure, 5};
    }
    if (!HoldsJobFile(tempName, *file)) return PlacementResult{Placement::Swapped, 0};
    auto target = g_disk.files.find(to);
    if (target != g_disk.files.end() && target->second != file->file &&
        (agreed == nullptr || !SameFile(IdentityOf(target->second), *agreed))) {
        return PlacementResult{Placement::Taken, 0};
    }
    if (g_disk.failRename) return PlacementResult{Placement::Denied, 5};
    g_disk.files.erase(tempName);
    g_disk.files[to] = file->file;
    file->name = to;
    file->placed = true;
    return PlacementResult{Placement::Placed, 0};
}

PlacementResult KeepJoinedFile(FileHandle file, const char* tempName) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string("keep ") + tempName);
    if (!HoldsJobFile(tempName, *file)) return PlacementResult{Placement::Swapped, 0};
    file->placed = true;
    return PlacementResult{Placement::Placed, 0};
}

int DiscardJoinedFile(FileHandle file, const char* tempName) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    if (!file->placed) g_disk.operations.push_back(std::string("discard ") + tempName);
    file->file->open = false;
    bool gone = true;
    if (!file->placed && HoldsJobFile(tempName, *file)) {
        gone = g_disk.failDeleteOf.count(tempName) == 0;
        if (gone) g_disk.files.erase(tempName);
    }
    delete file;
    return gone;
}

int FreeBytesBeside(const char*, uint64_t* bytes) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    if (!g_disk.freeSpaceKnown) return 0;
    *bytes = g_disk.freeSpace;
    return 1;
}

int FindNames(const char* prefix, const char* suffix, NameVisitor visit, void* context) {
    std::vector<std::pair<std::string, uint64_t>> found;
    {
        std::lock_guard<std::mutex> lock(g_disk.mutex);
        std::string begin = prefix, end = suffix;
        for (const auto& entry : g_disk.files) {
            const std::string& name = entry.first;
            if (name.size() >= begin.size() + end.size() && name.compare(0, begin.size(), begin) == 0 &&
                name.compare(name.size() - end.size(), end.size(), end) == 0) {
                found.emplace_back(name, entry.second->data.size());
            }
        }
    }
    for (const auto& entry : found) visit(context, entry.first.c_str(), entry.second);
    return 1;
}

void SleepMilliseconds(uint32_t) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    ++g_disk.sleeps;
}

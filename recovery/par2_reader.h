// Reading PAR 2.0 files: the packets found in a file's bytes, each checked
// against its MD5; damaged packets (a wrong hash, a length that does not
// fit, a body that does not parse) and packets of unknown types are
// skipped, the search going on after them. Critical packets are kept
// (copies of one are kept once); of a recovery slice only its exponent and
// where its data lie are kept, so that the data are read when needed. A
// catalog may take recovery slices on their headers, their data to be
// checked by whoever reads them (a slice is as long as a part: checking it
// at once means reading it all).
#ifndef SELVANORE_RECOVERY_PAR2_READER_H
#define SELVANORE_RECOVERY_PAR2_READER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "recovery/par2_packets.h"

// Reads exactly size bytes at offset of the caller's file into buffer;
// returns 0 when it cannot.
typedef int (*Par2ReadFunction)(void* context, uint64_t offset, void* buffer, size_t size);

struct Par2FoundMain {
    Par2Hash setId;
    uint64_t sliceSize;
    std::vector<Par2Hash> fileIds;  // the recovery set's, in order
};

struct Par2FoundFile {
    Par2Hash setId;
    Par2File file;  // without slices
};

struct Par2FoundChecksums {
    Par2Hash setId;
    Par2Hash fileId;
    std::vector<Par2SliceCheck> slices;
};

struct Par2RecoverySlice {
    Par2Hash setId;
    uint32_t exponent;
    uint32_t source;      // the caller's number of the file it lies in
    uint64_t dataOffset;  // where its data start in that file
    uint64_t dataLength;
    // The packet's MD5 was found right; when false, packetHash is what its
    // data must give (BeginPar2RecoveryCheck, Par2RecoveryCheckPasses).
    bool checked;
    Par2Hash packetHash;
};

// Everything found in the files scanned, of any recovery set.
struct Par2Catalog {
    // Recovery slice packets are taken on their headers, unchecked, when
    // the packet's length leads to the end of the file or to another
    // packet's magic sequence; otherwise they are checked as every packet is.
    bool deferRecoveryChecks = false;
    std::vector<Par2FoundMain> mains;
    std::vector<Par2FoundFile> files;
    std::vector<Par2FoundChecksums> checksums;
    std::vector<Par2RecoverySlice> recovery;
    std::vector<std::string> creators;
    uint32_t packets = 0;         // sound packets, copies included
    uint32_t damagedPackets = 0;  // a magic sequence that did not begin a sound packet
    uint32_t unknownPackets = 0;  // sound packets of types not read here
};

// Scans size bytes read through read for packets and adds what it finds to
// the catalog, its recovery slices marked with source. Returns 0 only when a
// read fails.
int ScanPar2(Par2ReadFunction read, void* context, uint64_t size, uint32_t source,
             Par2Catalog* catalog);
// The same over bytes in memory.
int ScanPar2Bytes(const uint8_t* data, size_t size, uint32_t source, Par2Catalog* catalog);

// The check of an unchecked recovery slice by whoever reads its data: begin
// feeds md5 (reset here) what the packet's hash covers before the data; the
// caller then feeds it the slice's dataLength bytes, and asks whether the
// packet's hash came out.
void BeginPar2RecoveryCheck(const Par2RecoverySlice& slice, CHash* md5);
bool Par2RecoveryCheckPasses(const Par2RecoverySlice& slice, CHash* md5);

enum class Par2SetProblem {
    None,
    NoMain,             // no main packet was found
    MissingDescription, // a file of the main packet has no description
};

// The recovery set of the first main packet found: its files in the main
// packet's order with their slice checksums where found, and its recovery
// slices, one for each exponent, in the order found. Returns 0 with the
// problem; with MissingDescription, names the file's position in the main
// packet in *which.
int ResolvePar2Set(const Par2Catalog& catalog, Par2Set* set,
                   std::vector<Par2RecoverySlice>* recovery, Par2SetProblem* problem,
                   size_t* which);

#endif

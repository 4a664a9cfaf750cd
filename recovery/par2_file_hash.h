// What a file's description and slice checksum packets need, computed in
// one pass over its bytes in blocks of any size: the MD5 of the file and of
// its first 16 KiB, and the MD5 and CRC-32 of each slice (the last one
// padded with zeros to the slice size).
#ifndef SELVANORE_RECOVERY_PAR2_FILE_HASH_H
#define SELVANORE_RECOVERY_PAR2_FILE_HASH_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "recovery/par2_packets.h"

const uint64_t kPar2LengthUnknown = ~static_cast<uint64_t>(0);

struct Par2FileHasher {
    std::unique_ptr<CHash> whole;
    std::unique_ptr<CHash> first;
    std::unique_ptr<CHash> slice;
    uint64_t sliceSize;
    uint64_t length;     // bytes taken so far
    uint64_t sliceFill;  // bytes of the current slice taken
    uint32_t crc;        // of the current slice
    uint64_t knownLength;  // as announced, or kPar2LengthUnknown
    bool sliceIsFile;      // announced as exactly one slice: its MD5 is the file's
    // Announced as one slice at most: its MD5 goes on from the file's, with
    // the padding, once the file's bytes are all taken.
    bool oneSlice;
    std::vector<Par2SliceCheck> slices;
};

// Returns 0 when the engines cannot be had or the slice size is 0. A caller
// that knows the file's length says so in knownLength: a file of exactly
// one slice (a part of a set cut at the slice size) is then hashed once,
// its slice's MD5 being the file's.
int BeginPar2FileHash(uint64_t sliceSize, Par2FileHasher* hasher,
                      uint64_t knownLength = kPar2LengthUnknown);
void UpdatePar2FileHash(Par2FileHasher* hasher, const void* data, size_t bytes);
// The two halves of UpdatePar2FileHash, which may run on two threads at
// once for the same files: the files' MD5s, bytes of data[i] for hashers[i]
// side by side (CMd5::UpdateLanes; bytes below 4 GiB), and everything else
// (the first 16 KiB's MD5, the slices' checksums).
void UpdatePar2FileMd5s(Par2FileHasher* const* hashers, const uint8_t* const* data, size_t bytes,
                        uint32_t count);
void UpdatePar2FileChecks(Par2FileHasher* hasher, const void* data, size_t bytes);
// The file's entry in a set: hashes, length, slices, and the ID made from
// them and name (UTF-8). Returns 0 when the bytes taken were not the
// knownLength announced (the entry is then not to be used).
int FinishPar2FileHash(Par2FileHasher* hasher, const std::string& name, Par2File* file);

// The MD5 and CRC-32 of one slice of length bytes (at most sliceSize),
// padded with zeros to sliceSize. Returns 0 when no engine can be had.
int Par2CheckSlice(const uint8_t* data, size_t length, uint64_t sliceSize, Par2SliceCheck* check);

#endif

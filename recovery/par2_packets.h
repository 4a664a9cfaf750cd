// The packets of the PAR 2.0 format and the names of its files.
//
// Every packet is a 64-byte header ("PAR2\0PKT", the packet's length, the
// MD5 of everything from the recovery set ID to the end, the recovery set
// ID, the type) and a body whose length is a multiple of 4; integers are
// little-endian. The recovery set is described by the main packet (slice
// size, the files' IDs in numerical order), a file description and a slice
// checksum packet for each file; those are the critical packets, repeated
// in every file of a set. A recovery slice packet carries one slice of
// recovery data, a creator packet the name of the program that wrote it.
#ifndef SELVANORE_RECOVERY_PAR2_PACKETS_H
#define SELVANORE_RECOVERY_PAR2_PACKETS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hash/hash.h"

const size_t kPar2HeaderSize = 64;
// A recovery slice packet's header and exponent, before its data.
const size_t kPar2RecoveryHeaderSize = 68;

extern const uint8_t kPar2Magic[8];
extern const uint8_t kPar2MainType[16];
extern const uint8_t kPar2FileDescriptionType[16];
extern const uint8_t kPar2SliceChecksumType[16];
extern const uint8_t kPar2RecoverySliceType[16];
extern const uint8_t kPar2CreatorType[16];

// An MD5 digest: file IDs, the recovery set ID, the checksums.
struct Par2Hash {
    uint8_t bytes[16];
};
bool Par2HashEqual(const Par2Hash& a, const Par2Hash& b);
// The order of the main packet: the digests as 16-byte unsigned integers,
// which PAR 2.0 reads little-endian (the last byte is the most significant).
bool Par2HashLess(const Par2Hash& a, const Par2Hash& b);

// The digest of a finished MD5 engine (it is read from the engine's text, so
// that the hash library stays as it is).
Par2Hash Md5Digest(const CHash& engine);
// The MD5 of size bytes; returns 0 when no engine can be had.
int Md5Of(const void* data, size_t size, Par2Hash* digest);
// Feeds size bytes (of any size) to an engine.
void HashBytes(CHash* engine, const void* data, size_t size);

struct Par2SliceCheck {
    Par2Hash md5;  // of the slice, the last one padded with zeros
    uint32_t crc;  // CRC-32 of the same bytes
};

// A file of the recovery set, as its description and slice checksum packets
// say it.
struct Par2File {
    Par2Hash id;
    Par2Hash md5;       // of the whole file
    Par2Hash md5First;  // of its first 16 KiB (the whole file when shorter)
    uint64_t length;
    std::string name;   // UTF-8, without the padding
    std::vector<Par2SliceCheck> slices;  // empty when no checksum packet was found
};

struct Par2Set {
    uint64_t sliceSize;
    std::vector<Par2File> files;  // in the main packet's order, the order of the slices
    Par2Hash id;                  // the recovery set ID
};

const uint64_t kPar2FirstBytes = 16384;

// The file ID: the MD5 of the MD5 of the first 16 KiB, the length and the name.
Par2Hash Par2FileId(const Par2Hash& md5First, uint64_t length, const std::string& name);
// The slice size that gives each file of a set one slice: the largest
// file's length rounded up to a multiple of 4 (4 for empty files), so that
// R recovery slices rebuild any R missing or damaged files.
uint64_t Par2SliceSizeFor(uint64_t largestFile);
// The number of slices of a file of length bytes.
uint64_t Par2SliceCount(uint64_t length, uint64_t sliceSize);
// The index of the file's first slice among the set's input slices (the
// Reed-Solomon constants' order), and the total count.
uint64_t Par2FirstSlice(const Par2Set& set, size_t file);
uint64_t Par2TotalSlices(const Par2Set& set);

// Puts the files in the main packet's order and computes the set ID.
// Returns 0 for a slice size that is 0 or not a multiple of 4, two files of
// one ID, or more input slices than the code has constants.
int FinishPar2Set(Par2Set* set);

// The packets' bytes, headers included.
std::vector<uint8_t> Par2MainPacket(const Par2Set& set);
std::vector<uint8_t> Par2FileDescriptionPacket(const Par2Set& set, const Par2File& file);
std::vector<uint8_t> Par2SliceChecksumPacket(const Par2Set& set, const Par2File& file);
std::vector<uint8_t> Par2CreatorPacket(const Par2Set& set, const std::string& creator);
// The main packet, each file's description, each file's slice checksums.
std::vector<uint8_t> Par2CriticalPackets(const Par2Set& set);

// A recovery slice packet whose data streams through: Begin makes the
// header (its hash still zero) and the exponent, Update takes the data in
// order, Finish puts the hash in the header, to be written over the first
// kPar2RecoveryHeaderSize bytes of the packet.
struct Par2RecoveryPacket {
    std::unique_ptr<CHash> md5;
    uint8_t header[kPar2RecoveryHeaderSize];
};
// Returns 0 when no MD5 engine can be had.
int BeginPar2RecoveryPacket(const Par2Set& set, uint32_t exponent, Par2RecoveryPacket* packet);
void UpdatePar2RecoveryPacket(Par2RecoveryPacket* packet, const void* data, size_t bytes);
void FinishPar2RecoveryPacket(Par2RecoveryPacket* packet);

// The names of a set's files for the set named name ("video.mkv"): the index
// file "video.mkv.par2", and the recovery files "video.mkv.volA+B.par2"
// (exponents A to A+B-1), as par2cmdline names them: 1, 2, 4, 8... slices
// per file, the last file the rest; A padded with zeros to the digits of
// the recovery count, B to the digits of the largest B.
std::string Par2IndexName(const std::string& name);
struct Par2Volume {
    std::string name;
    uint32_t firstExponent;
    uint32_t count;
};
std::vector<Par2Volume> Par2Volumes(const std::string& name, uint32_t recoveryCount);

// The layout of a recovery file as Par2Volumes' files are written: for each
// of its slices a recovery slice packet followed by the critical packets
// (criticalBytes), then one creator packet. Where the data of its k-th slice
// starts, and the file's length.
uint64_t Par2VolumeDataOffset(uint64_t sliceSize, uint64_t criticalBytes, uint32_t k);
uint64_t Par2VolumeLength(uint64_t sliceSize, uint64_t criticalBytes, uint32_t count,
                          uint64_t creatorBytes);

#endif

#include "recovery/par2_file_hash.h"

#include <algorithm>

#include "hash/checksum_kinds.h"
#include "hash/md5.h"
#include "recovery/crc32.h"

namespace {

const uint8_t kZeros[4096] = {};

void EndSlice(Par2FileHasher* h) {
    uint64_t padding = h->sliceSize - h->sliceFill;
    while (padding > 0) {
        size_t part = static_cast<size_t>(std::min<uint64_t>(padding, sizeof kZeros));
        h->slice->Update(kZeros, static_cast<uint32_t>(part));
        h->crc = Crc32(kZeros, part, h->crc);
        padding -= part;
    }
    // A file of one slice: its MD5 is put in at the end (FinishPar2FileHash).
    if (!h->sliceIsFile) h->slice->Finish();
    h->slices.push_back({h->sliceIsFile ? Par2Hash() : Md5Digest(*h->slice), h->crc});
    h->slice->Reset();
    h->crc = 0;
    h->sliceFill = 0;
}

}  // namespace

int BeginPar2FileHash(uint64_t sliceSize, Par2FileHasher* hasher, uint64_t knownLength) {
    hasher->whole.reset(CreateHashEngine(CHECKSUM_MD5));
    hasher->first.reset(CreateHashEngine(CHECKSUM_MD5));
    hasher->slice.reset(CreateHashEngine(CHECKSUM_MD5));
    if (!hasher->whole || !hasher->first || !hasher->slice || sliceSize == 0) return 0;
    hasher->whole->Reset();
    hasher->first->Reset();
    hasher->slice->Reset();
    hasher->sliceSize = sliceSize;
    hasher->length = 0;
    hasher->sliceFill = 0;
    hasher->crc = 0;
    hasher->knownLength = knownLength;
    hasher->sliceIsFile = knownLength == sliceSize;
    hasher->oneSlice = knownLength <= sliceSize;
    hasher->slices.clear();
    return 1;
}

void UpdatePar2FileChecks(Par2FileHasher* h, const void* data, size_t bytes) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (h->length < kPar2FirstBytes) {
        uint64_t take = std::min<uint64_t>(bytes, kPar2FirstBytes - h->length);
        h->first->Update(p, static_cast<uint32_t>(take));
    }
    h->length += bytes;
    while (bytes > 0) {
        size_t take = static_cast<size_t>(std::min<uint64_t>(bytes, h->sliceSize - h->sliceFill));
        if (!h->oneSlice) HashBytes(h->slice.get(), p, take);
        h->crc = Crc32(p, take, h->crc);
        h->sliceFill += take;
        p += take;
        bytes -= take;
        if (h->sliceFill == h->sliceSize) EndSlice(h);
    }
}

void UpdatePar2FileHash(Par2FileHasher* h, const void* data, size_t bytes) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    HashBytes(h->whole.get(), p, bytes);
    UpdatePar2FileChecks(h, p, bytes);
}

void UpdatePar2FileMd5s(Par2FileHasher* const* hashers, const uint8_t* const* data, size_t bytes,
                        uint32_t count) {
    const uint32_t kGroup = 64;
    CHash* engines[kGroup];
    for (uint32_t first = 0; first < count; first += kGroup) {
        uint32_t n = std::min(kGroup, count - first);
        for (uint32_t i = 0; i < n; ++i) engines[i] = hashers[first + i]->whole.get();
        CMd5::UpdateLanes(engines, data + first, n, static_cast<uint32_t>(bytes));
    }
}

int FinishPar2FileHash(Par2FileHasher* h, const std::string& name, Par2File* file) {
    if (h->knownLength != kPar2LengthUnknown && h->length != h->knownLength) return 0;
    // A file of one slice shorter than it: the slice is the file, then zeros.
    if (h->oneSlice && !h->sliceIsFile && h->sliceFill != 0) CMd5::CopyState(h->slice.get(), *h->whole);
    if (h->sliceFill != 0) EndSlice(h);
    h->whole->Finish();
    h->first->Finish();
    file->md5 = Md5Digest(*h->whole);
    file->md5First = Md5Digest(*h->first);
    file->length = h->length;
    file->name = name;
    file->slices = h->slices;
    file->id = Par2FileId(file->md5First, file->length, name);
    if (h->sliceIsFile) file->slices[0].md5 = file->md5;
    return 1;
}

int Par2CheckSlice(const uint8_t* data, size_t length, uint64_t sliceSize, Par2SliceCheck* check) {
    Par2FileHasher hasher;
    if (!BeginPar2FileHash(sliceSize, &hasher)) return 0;
    hasher.slice->Reset();
    HashBytes(hasher.slice.get(), data, length);
    hasher.crc = Crc32(data, length);
    hasher.sliceFill = length;
    EndSlice(&hasher);
    *check = hasher.slices[0];
    return 1;
}

#include "recovery/par2_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "hash/bytes.h"
#include "hash/checksum_kinds.h"

namespace {

// The bytes searched for a magic sequence at a time, and hashed at a time.
const size_t kWindow = 64 * 1024;
// The largest body kept in memory: far beyond a main or a checksum packet
// of the format's 32768 slices; anything longer is not a critical packet.
const uint64_t kLargestKeptBody = 16u << 20;

Par2Hash GetHash(const uint8_t* p) {
    Par2Hash h;
    std::memcpy(h.bytes, p, 16);
    return h;
}

std::string GetText(const uint8_t* p, size_t size) {
    while (size > 0 && p[size - 1] == 0) --size;
    return std::string(reinterpret_cast<const char*>(p), size);
}

bool SameType(const uint8_t* header, const uint8_t* type) { return std::memcmp(header + 48, type, 16) == 0; }

// Parses a sound packet's body. Returns false for a body that does not
// parse (counted as damaged).
bool Keep(const uint8_t* header, const uint8_t* body, size_t size, Par2Catalog* c) {
    Par2Hash setId = GetHash(header + 32);
    if (SameType(header, kPar2MainType)) {
        if (size < 12 || (size - 12) % 16 != 0) return false;
        Par2FoundMain main;
        main.setId = setId;
        main.sliceSize = LoadLittle64(body);
        uint64_t count = LoadLittle32(body + 8);
        if (main.sliceSize == 0 || main.sliceSize % 4 != 0 || count > (size - 12) / 16) return false;
        for (uint64_t i = 0; i < count; ++i) main.fileIds.push_back(GetHash(body + 12 + 16 * i));
        for (const Par2FoundMain& m : c->mains) {
            if (Par2HashEqual(m.setId, setId)) return true;
        }
        c->mains.push_back(main);
    } else if (SameType(header, kPar2FileDescriptionType)) {
        if (size < 56) return false;
        Par2FoundFile found;
        found.setId = setId;
        found.file.id = GetHash(body);
        found.file.md5 = GetHash(body + 16);
        found.file.md5First = GetHash(body + 32);
        found.file.length = LoadLittle64(body + 48);
        found.file.name = GetText(body + 56, size - 56);
        for (const Par2FoundFile& f : c->files) {
            if (Par2HashEqual(f.setId, setId) && Par2HashEqual(f.file.id, found.file.id)) return true;
        }
        c->files.push_back(found);
    } else if (SameType(header, kPar2SliceChecksumType)) {
        if (size < 16 || (size - 16) % 20 != 0) return false;
        Par2FoundChecksums found;
        found.setId = setId;
        found.fileId = GetHash(body);
        for (size_t at = 16; at < size; at += 20) {
            found.slices.push_back({GetHash(body + at), LoadLittle32(body + at + 16)});
        }
        for (const Par2FoundChecksums& f : c->checksums) {
            if (Par2HashEqual(f.setId, setId) && Par2HashEqual(f.fileId, found.fileId)) return true;
        }
        c->checksums.push_back(found);
    } else if (SameType(header, kPar2CreatorType)) {
        std::string text = GetText(body, size);
        if (std::find(c->creators.begin(), c->creators.end(), text) == c->creators.end()) {
            c->creators.push_back(text);
        }
    } else {
        ++c->unknownPackets;
    }
    return true;
}

// A recovery slice packet taken on its header, when the catalog defers the
// checks and its length leads to the end of the file or to another packet:
// a length damaged otherwise would skip the packets after it. Returns -1
// when a read fails, 1 when taken, 0 when it has to be checked now.
int TryUncheckedRecovery(Par2ReadFunction read, void* context, uint64_t offset, const uint8_t* header,
                         uint64_t length, uint64_t fileSize, uint32_t source, Par2Catalog* c) {
    if (!c->deferRecoveryChecks || !SameType(header, kPar2RecoverySliceType) ||
        length < kPar2RecoveryHeaderSize) {
        return 0;
    }
    if (offset + length != fileSize) {
        if (fileSize - (offset + length) < sizeof kPar2Magic) return 0;
        uint8_t next[sizeof kPar2Magic];
        if (!read(context, offset + length, next, sizeof next)) return -1;
        if (std::memcmp(next, kPar2Magic, sizeof next) != 0) return 0;
    }
    uint8_t exponent[4];
    if (!read(context, offset + kPar2HeaderSize, exponent, sizeof exponent)) return -1;
    Par2RecoverySlice slice = {GetHash(header + 32),
                               LoadLittle32(exponent),
                               source,
                               offset + kPar2RecoveryHeaderSize,
                               length - kPar2RecoveryHeaderSize,
                               false,
                               GetHash(header + 16)};
    c->recovery.push_back(slice);
    return 1;
}

// Checks the packet of length bytes at offset, whose header is read, and
// keeps what it holds. Returns -1 when a read fails, 0 for a damaged
// packet, 1 for a sound one.
int TryPacket(Par2ReadFunction read, void* context, uint64_t offset, const uint8_t* header,
              uint64_t length, uint64_t fileSize, uint32_t source, std::vector<uint8_t>* buffer,
              Par2Catalog* c) {
    int unchecked = TryUncheckedRecovery(read, context, offset, header, length, fileSize, source, c);
    if (unchecked != 0) return unchecked;
    std::unique_ptr<CHash> md5(CreateHashEngine(CHECKSUM_MD5));
    if (!md5) return -1;
    md5->Reset();
    md5->Update(header + 32, 32);
    uint64_t bodyLength = length - kPar2HeaderSize;
    bool keepBody = !SameType(header, kPar2RecoverySliceType) && bodyLength <= kLargestKeptBody;
    std::vector<uint8_t> body;
    uint8_t exponent[4] = {};
    for (uint64_t done = 0; done < bodyLength;) {
        size_t part = static_cast<size_t>(std::min<uint64_t>(kWindow, bodyLength - done));
        if (!read(context, offset + kPar2HeaderSize + done, buffer->data(), part)) return -1;
        md5->Update(buffer->data(), static_cast<uint32_t>(part));
        if (keepBody) body.insert(body.end(), buffer->data(), buffer->data() + part);
        if (done == 0 && part >= 4) std::memcpy(exponent, buffer->data(), 4);
        done += part;
    }
    md5->Finish();
    if (!Par2HashEqual(Md5Digest(*md5), GetHash(header + 16))) return 0;
    if (SameType(header, kPar2RecoverySliceType)) {
        if (bodyLength < 4) return 0;
        Par2RecoverySlice slice = {GetHash(header + 32), LoadLittle32(exponent), source,
                                   offset + kPar2RecoveryHeaderSize, bodyLength - 4, true, Par2Hash()};
        c->recovery.push_back(slice);
        return 1;
    }
    if (!keepBody) {
        ++c->unknownPackets;
        return 1;
    }
    return Keep(header, body.data(), body.size(), c) ? 1 : 0;
}

struct Memory {
    const uint8_t* data;
    size_t size;
};

int ReadMemory(void* context, uint64_t offset, void* buffer, size_t size) {
    const Memory* m = static_cast<const Memory*>(context);
    if (offset > m->size || size > m->size - offset) return 0;
    std::memcpy(buffer, m->data + offset, size);
    return 1;
}

}  // namespace

int ScanPar2(Par2ReadFunction read, void* context, uint64_t size, uint32_t source, Par2Catalog* catalog) {
    std::vector<uint8_t> window(kWindow);
    std::vector<uint8_t> buffer(kWindow);
    uint64_t pos = 0;
    while (size >= sizeof kPar2Magic && pos <= size - sizeof kPar2Magic) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(kWindow, size - pos));
        if (!read(context, pos, window.data(), n)) return 0;
        const uint8_t* start = window.data();
        const uint8_t* end = start + n;
        const uint8_t* found = std::search(start, end, kPar2Magic, kPar2Magic + 8);
        if (found == end) {
            if (pos + n == size) break;
            pos += n - 7;  // a magic sequence may straddle the windows
            continue;
        }
        uint64_t at = pos + static_cast<uint64_t>(found - start);
        if (size - at < kPar2HeaderSize) {  // a header cut short at the end
            ++catalog->damagedPackets;
            break;
        }
        uint8_t header[kPar2HeaderSize];
        if (!read(context, at, header, sizeof header)) return 0;
        uint64_t length = LoadLittle64(header + 8);
        int result = 0;
        if (length >= kPar2HeaderSize && length % 4 == 0 && length <= size - at) {
            result = TryPacket(read, context, at, header, length, size, source, &buffer, catalog);
            if (result < 0) return 0;
        }
        if (result == 1) {
            ++catalog->packets;
            pos = at + length;
        } else {
            ++catalog->damagedPackets;
            pos = at + 1;
        }
    }
    return 1;
}

void BeginPar2RecoveryCheck(const Par2RecoverySlice& slice, CHash* md5) {
    uint8_t covered[36];
    std::memcpy(covered, slice.setId.bytes, 16);
    std::memcpy(covered + 16, kPar2RecoverySliceType, 16);
    StoreLittle32(covered + 32, slice.exponent);
    md5->Reset();
    md5->Update(covered, sizeof covered);
}

bool Par2RecoveryCheckPasses(const Par2RecoverySlice& slice, CHash* md5) {
    md5->Finish();
    return Par2HashEqual(Md5Digest(*md5), slice.packetHash);
}

int ScanPar2Bytes(const uint8_t* data, size_t size, uint32_t source, Par2Catalog* catalog) {
    Memory memory = {data, size};
    return ScanPar2(ReadMemory, &memory, size, source, catalog);
}

int ResolvePar2Set(const Par2Catalog& catalog, Par2Set* set, std::vector<Par2RecoverySlice>* recovery,
                   Par2SetProblem* problem, size_t* which) {
    *which = 0;
    if (catalog.mains.empty()) {
        *problem = Par2SetProblem::NoMain;
        return 0;
    }
    const Par2FoundMain& main = catalog.mains.front();
    set->id = main.setId;
    set->sliceSize = main.sliceSize;
    set->files.clear();
    for (size_t i = 0; i < main.fileIds.size(); ++i) {
        const Par2Hash& id = main.fileIds[i];
        auto file = std::find_if(catalog.files.begin(), catalog.files.end(), [&](const Par2FoundFile& f) {
            return Par2HashEqual(f.setId, main.setId) && Par2HashEqual(f.file.id, id);
        });
        if (file == catalog.files.end()) {
            *problem = Par2SetProblem::MissingDescription;
            *which = i;
            return 0;
        }
        set->files.push_back(file->file);
        auto sums = std::find_if(catalog.checksums.begin(), catalog.checksums.end(), [&](const Par2FoundChecksums& f) {
            return Par2HashEqual(f.setId, main.setId) && Par2HashEqual(f.fileId, id);
        });
        if (sums != catalog.checksums.end() &&
            sums->slices.size() == Par2SliceCount(file->file.length, main.sliceSize)) {
            set->files.back().slices = sums->slices;
        }
    }
    recovery->clear();
    for (const Par2RecoverySlice& slice : catalog.recovery) {
        if (!Par2HashEqual(slice.setId, main.setId) || slice.dataLength != main.sliceSize) continue;
        bool known = std::any_of(recovery->begin(), recovery->end(),
                                 [&](const Par2RecoverySlice& r) { return r.exponent == slice.exponent; });
        if (!known) recovery->push_back(slice);
    }
    *problem = Par2SetProblem::None;
    return 1;
}

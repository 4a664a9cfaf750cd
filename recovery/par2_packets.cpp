#include "recovery/par2_packets.h"

#include <algorithm>
#include <cstring>

#include "hash/bytes.h"
#include "hash/checksum_kinds.h"
#include "recovery/reed_solomon.h"

const uint8_t kPar2Magic[8] = {'P', 'A', 'R', '2', 0, 'P', 'K', 'T'};
const uint8_t kPar2MainType[16] = {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'M', 'a', 'i', 'n', 0, 0, 0, 0};
const uint8_t kPar2FileDescriptionType[16] = {'P', 'A', 'R', ' ', '2', '.', '0', 0,
                                              'F', 'i', 'l', 'e', 'D', 'e', 's', 'c'};
const uint8_t kPar2SliceChecksumType[16] = {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'I', 'F', 'S', 'C', 0, 0, 0, 0};
const uint8_t kPar2RecoverySliceType[16] = {'P', 'A', 'R', ' ', '2', '.', '0', 0,
                                            'R', 'e', 'c', 'v', 'S', 'l', 'i', 'c'};
const uint8_t kPar2CreatorType[16] = {'P', 'A', 'R', ' ', '2', '.', '0', 0, 'C', 'r', 'e', 'a', 't', 'o', 'r', 0};

namespace {

void PutLittle64(std::vector<uint8_t>* out, uint64_t value) {
    uint8_t bytes[8];
    StoreLittle64(bytes, value);
    out->insert(out->end(), bytes, bytes + 8);
}

void PutLittle32(std::vector<uint8_t>* out, uint32_t value) {
    uint8_t bytes[4];
    StoreLittle32(bytes, value);
    out->insert(out->end(), bytes, bytes + 4);
}

void PutHash(std::vector<uint8_t>* out, const Par2Hash& hash) {
    out->insert(out->end(), hash.bytes, hash.bytes + 16);
}

// Bytes padded with zeros to a multiple of 4.
void PutPadded(std::vector<uint8_t>* out, const std::string& text) {
    out->insert(out->end(), text.begin(), text.end());
    while (out->size() % 4 != 0) out->push_back(0);
}

// The header before a body of bodyLength bytes, its hash still zero.
std::vector<uint8_t> Header(const Par2Hash& setId, const uint8_t* type, uint64_t bodyLength) {
    std::vector<uint8_t> packet(kPar2Magic, kPar2Magic + 8);
    PutLittle64(&packet, kPar2HeaderSize + bodyLength);
    packet.resize(32, 0);
    PutHash(&packet, setId);
    packet.insert(packet.end(), type, type + 16);
    return packet;
}

// A whole packet: header, body and the hash of both from the set ID on.
std::vector<uint8_t> Packet(const Par2Hash& setId, const uint8_t* type, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> packet = Header(setId, type, body.size());
    packet.insert(packet.end(), body.begin(), body.end());
    Par2Hash hash;
    if (Md5Of(packet.data() + 32, packet.size() - 32, &hash)) std::memcpy(&packet[16], hash.bytes, 16);
    return packet;
}

std::vector<uint8_t> MainBody(const Par2Set& set) {
    std::vector<uint8_t> body;
    PutLittle64(&body, set.sliceSize);
    PutLittle32(&body, static_cast<uint32_t>(set.files.size()));
    for (const Par2File& file : set.files) PutHash(&body, file.id);
    return body;
}

uint32_t DigitsOf(uint32_t value) {
    uint32_t digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

std::string Padded(uint32_t value, uint32_t width) {
    std::string text = std::to_string(value);
    return std::string(text.size() < width ? width - text.size() : 0, '0') + text;
}

}  // namespace

bool Par2HashEqual(const Par2Hash& a, const Par2Hash& b) {
    return std::memcmp(a.bytes, b.bytes, 16) == 0;
}

bool Par2HashLess(const Par2Hash& a, const Par2Hash& b) {
    for (int i = 15; i >= 0; --i) {
        if (a.bytes[i] != b.bytes[i]) return a.bytes[i] < b.bytes[i];
    }
    return false;
}

Par2Hash Md5Digest(const CHash& engine) {
    char text[2 * 16 + 1];
    engine.GetDigestText(text);
    Par2Hash digest;
    for (int i = 0; i < 16; ++i) {
        auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        digest.bytes[i] = static_cast<uint8_t>(nibble(text[2 * i]) << 4 | nibble(text[2 * i + 1]));
    }
    return digest;
}

void HashBytes(CHash* engine, const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        uint32_t part = size > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(size);
        engine->Update(bytes, part);
        bytes += part;
        size -= part;
    }
}

int Md5Of(const void* data, size_t size, Par2Hash* digest) {
    std::unique_ptr<CHash> engine(CreateHashEngine(CHECKSUM_MD5));
    if (!engine) return 0;
    engine->Reset();
    HashBytes(engine.get(), data, size);
    engine->Finish();
    *digest = Md5Digest(*engine);
    return 1;
}

Par2Hash Par2FileId(const Par2Hash& md5First, uint64_t length, const std::string& name) {
    std::vector<uint8_t> bytes;
    PutHash(&bytes, md5First);
    PutLittle64(&bytes, length);
    bytes.insert(bytes.end(), name.begin(), name.end());
    Par2Hash id = {};
    Md5Of(bytes.data(), bytes.size(), &id);
    return id;
}

uint64_t Par2SliceSizeFor(uint64_t largestFile) {
    return largestFile == 0 ? 4 : (largestFile + 3) / 4 * 4;
}

uint64_t Par2SliceCount(uint64_t length, uint64_t sliceSize) {
    return sliceSize == 0 ? 0 : length / sliceSize + (length % sliceSize != 0 ? 1 : 0);
}

uint64_t Par2FirstSlice(const Par2Set& set, size_t file) {
    uint64_t first = 0;
    for (size_t i = 0; i < file && i < set.files.size(); ++i) {
        first += Par2SliceCount(set.files[i].length, set.sliceSize);
    }
    return first;
}

uint64_t Par2TotalSlices(const Par2Set& set) { return Par2FirstSlice(set, set.files.size()); }

int FinishPar2Set(Par2Set* set) {
    if (set->sliceSize == 0 || set->sliceSize % 4 != 0) return 0;
    std::sort(set->files.begin(), set->files.end(),
              [](const Par2File& a, const Par2File& b) { return Par2HashLess(a.id, b.id); });
    for (size_t i = 1; i < set->files.size(); ++i) {
        if (Par2HashEqual(set->files[i - 1].id, set->files[i].id)) return 0;
    }
    if (Par2TotalSlices(*set) > kMaxInputSlices) return 0;
    std::vector<uint8_t> body = MainBody(*set);
    return Md5Of(body.data(), body.size(), &set->id);
}

std::vector<uint8_t> Par2MainPacket(const Par2Set& set) {
    return Packet(set.id, kPar2MainType, MainBody(set));
}

std::vector<uint8_t> Par2FileDescriptionPacket(const Par2Set& set, const Par2File& file) {
    std::vector<uint8_t> body;
    PutHash(&body, file.id);
    PutHash(&body, file.md5);
    PutHash(&body, file.md5First);
    PutLittle64(&body, file.length);
    PutPadded(&body, file.name);
    return Packet(set.id, kPar2FileDescriptionType, body);
}

std::vector<uint8_t> Par2SliceChecksumPacket(const Par2Set& set, const Par2File& file) {
    std::vector<uint8_t> body;
    PutHash(&body, file.id);
    for (const Par2SliceCheck& slice : file.slices) {
        PutHash(&body, slice.md5);
        PutLittle32(&body, slice.crc);
    }
    return Packet(set.id, kPar2SliceChecksumType, body);
}

std::vector<uint8_t> Par2CreatorPacket(const Par2Set& set, const std::string& creator) {
    std::vector<uint8_t> body;
    PutPadded(&body, creator);
    return Packet(set.id, kPar2CreatorType, body);
}

std::vector<uint8_t> Par2CriticalPackets(const Par2Set& set) {
    std::vector<uint8_t> packets = Par2MainPacket(set);
    for (const Par2File& file : set.files) {
        std::vector<uint8_t> p = Par2FileDescriptionPacket(set, file);
        packets.insert(packets.end(), p.begin(), p.end());
    }
    for (const Par2File& file : set.files) {
        std::vector<uint8_t> p = Par2SliceChecksumPacket(set, file);
        packets.insert(packets.end(), p.begin(), p.end());
    }
    return packets;
}

int BeginPar2RecoveryPacket(const Par2Set& set, uint32_t exponent, Par2RecoveryPacket* packet) {
    packet->md5.reset(CreateHashEngine(CHECKSUM_MD5));
    if (!packet->md5) return 0;
    std::vector<uint8_t> header = Header(set.id, kPar2RecoverySliceType, 4 + set.sliceSize);
    PutLittle32(&header, exponent);
    std::memcpy(packet->header, header.data(), kPar2RecoveryHeaderSize);
    packet->md5->Reset();
    packet->md5->Update(packet->header + 32, kPar2RecoveryHeaderSize - 32);
    return 1;
}

void UpdatePar2RecoveryPacket(Par2RecoveryPacket* packet, const void* data, size_t bytes) {
    HashBytes(packet->md5.get(), data, bytes);
}

void FinishPar2RecoveryPacket(Par2RecoveryPacket* packet) {
    packet->md5->Finish();
    Par2Hash hash = Md5Digest(*packet->md5);
    std::memcpy(packet->header + 16, hash.bytes, 16);
}

std::string Par2IndexName(const std::string& name) { return name + ".par2"; }

std::vector<Par2Volume> Par2Volumes(const std::string& name, uint32_t recoveryCount) {
    std::vector<Par2Volume> volumes;
    uint32_t largest = 0;
    for (uint32_t first = 0, count = 1; first < recoveryCount; first += count, count *= 2) {
        uint32_t take = std::min(count, recoveryCount - first);
        volumes.push_back({std::string(), first, take});
        largest = std::max(largest, take);
    }
    uint32_t firstWidth = DigitsOf(recoveryCount);
    uint32_t countWidth = DigitsOf(largest);
    for (Par2Volume& v : volumes) {
        v.name = name + ".vol" + Padded(v.firstExponent, firstWidth) + "+" + Padded(v.count, countWidth) + ".par2";
    }
    return volumes;
}

uint64_t Par2VolumeDataOffset(uint64_t sliceSize, uint64_t criticalBytes, uint32_t k) {
    return k * (kPar2RecoveryHeaderSize + sliceSize + criticalBytes) + kPar2RecoveryHeaderSize;
}

uint64_t Par2VolumeLength(uint64_t sliceSize, uint64_t criticalBytes, uint32_t count,
                          uint64_t creatorBytes) {
    return count * (kPar2RecoveryHeaderSize + sliceSize + criticalBytes) + creatorBytes;
}

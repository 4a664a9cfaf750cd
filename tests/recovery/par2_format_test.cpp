// The PAR 2.0 packets as bytes, CRC-32, the names of a set's files, and the
// reader: what is written is read back, damaged and unknown packets are
// skipped and the rest still used.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hash/bytes.h"
#include "recovery/crc32.h"
#include "recovery/par2_file_hash.h"
#include "recovery/par2_packets.h"
#include "recovery/par2_reader.h"
#include "tests/support/utf8.h"

namespace {

std::string Hex(const Par2Hash& h) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : h.bytes) text += {digits[b >> 4], digits[b & 15]};
    return text;
}

Par2Hash Md5(const std::vector<uint8_t>& bytes, size_t from = 0) {
    Par2Hash h = {};
    Md5Of(bytes.data() + from, bytes.size() - from, &h);
    return h;
}

// CRC-32 a bit at a time.
uint32_t BitwiseCrc(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = from; i < to; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xEDB88320u : 0);
    }
    return ~crc;
}

// Carry-less multiplication where the processor has it, and the tables:
// lengths below, at and past each folding width, from unaligned addresses.
TEST(Par2Checksums, Crc32BothWays) {
    std::mt19937 rng(5);
    std::vector<uint8_t> bytes(9000);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    for (bool clmul : {true, false}) {
        UseCrc32Clmul(clmul);
        for (size_t from : {size_t(0), size_t(3)}) {
            for (size_t length : {63, 64, 65, 79, 80, 127, 128, 191, 4113, 8997}) {
                EXPECT_EQ(Crc32(bytes.data() + from, length, 0x1234), Crc32Portable(bytes.data() + from, length, 0x1234));
                EXPECT_EQ(Crc32(bytes.data() + from, length), BitwiseCrc(bytes, from, from + length))
                    << "clmul " << clmul << ", " << length << " bytes from " << from;
            }
        }
    }
    UseCrc32Clmul(true);
}

TEST(Par2Checksums, Crc32AndMd5) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32("", 0), 0u);
    EXPECT_EQ(Crc32("56789", 5, Crc32("1234", 4)), 0xCBF43926u);
    std::mt19937 rng(2);
    std::vector<uint8_t> bytes(5000);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    for (size_t from : {size_t(0), size_t(1), size_t(7)}) {
        for (size_t to : {size_t(8), size_t(15), size_t(1000), size_t(5000)}) {
            EXPECT_EQ(Crc32(bytes.data() + from, to - from), BitwiseCrc(bytes, from, to)) << from << ".." << to;
            if (to - from > 3) {
                EXPECT_EQ(Crc32(bytes.data() + from + 3, to - from - 3, Crc32(bytes.data() + from, 3)),
                          BitwiseCrc(bytes, from, to));
            }
        }
    }
    EXPECT_EQ(Hex(Md5({})), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex(Md5({'a', 'b', 'c'})), "900150983cd24fb0d6963f7d28e17f72");
}

// A file's entry hashed in blocks of the given size.
Par2File HashInBlocks(const std::vector<uint8_t>& data, uint64_t sliceSize, size_t block, const std::string& name) {
    Par2FileHasher hasher;
    EXPECT_TRUE(BeginPar2FileHash(sliceSize, &hasher));
    for (size_t at = 0; at < data.size(); at += block) {
        UpdatePar2FileHash(&hasher, data.data() + at, std::min(block, data.size() - at));
    }
    Par2File file;
    EXPECT_TRUE(FinishPar2FileHash(&hasher, name, &file));
    return file;
}

std::vector<uint8_t> Bytes(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> b(size);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

TEST(Par2Packets, FileHashesInOnePass) {
    std::vector<uint8_t> data = Bytes(40000, 1);  // two slices of 16384 and one of 7232
    Par2File file = HashInBlocks(data, 16384, 40000, "a");
    for (size_t block : {size_t(1), size_t(1000), size_t(16384), size_t(16385)}) {
        Par2File again = HashInBlocks(data, 16384, block, "a");
        EXPECT_EQ(Hex(again.md5), Hex(file.md5)) << block;
        ASSERT_EQ(again.slices.size(), 3u);
        EXPECT_EQ(Hex(again.slices[2].md5), Hex(file.slices[2].md5));
    }
    EXPECT_EQ(Hex(file.md5), Hex(Md5(data)));
    EXPECT_EQ(Hex(file.md5First), Hex(Md5(std::vector<uint8_t>(data.begin(), data.begin() + 16384))));
    EXPECT_EQ(file.length, 40000u);
    // The last slice padded with zeros to the slice size, for MD5 and CRC.
    std::vector<uint8_t> last(data.begin() + 32768, data.end());
    last.resize(16384, 0);
    EXPECT_EQ(Hex(file.slices[2].md5), Hex(Md5(last)));
    EXPECT_EQ(file.slices[2].crc, Crc32(last.data(), last.size()));
    // A file of exactly one slice, announced: hashed once, the same entry;
    // a length announced wrongly refused.
    std::vector<uint8_t> one(data.begin(), data.begin() + 16384);
    Par2File plain = HashInBlocks(one, 16384, 5000, "b");
    for (uint64_t announced : {uint64_t(16384), uint64_t(16000), uint64_t(16388)}) {
        Par2FileHasher hasher;
        ASSERT_TRUE(BeginPar2FileHash(announced == 16000 ? 16000 : 16384, &hasher, announced));
        UpdatePar2FileHash(&hasher, one.data(), one.size());
        Par2File entry;
        int ok = FinishPar2FileHash(&hasher, "b", &entry);
        if (announced == 16384) {
            ASSERT_TRUE(ok);
            EXPECT_EQ(Hex(entry.id), Hex(plain.id));
            ASSERT_EQ(entry.slices.size(), 1u);
            EXPECT_EQ(Hex(entry.slices[0].md5), Hex(plain.slices[0].md5));
            EXPECT_EQ(entry.slices[0].crc, plain.slices[0].crc);
        } else {
            EXPECT_FALSE(ok) << announced;
        }
    }

    // A file announced shorter than its one slice: the slice's MD5 goes on
    // from the file's; hashed in two halves (the MD5s, the rest), the same.
    std::vector<uint8_t> shortFile(data.begin() + 32768, data.end());
    Par2File unannounced = HashInBlocks(shortFile, 16384, 3000, "c");
    {
        Par2FileHasher hasher;
        ASSERT_TRUE(BeginPar2FileHash(16384, &hasher, shortFile.size()));
        Par2FileHasher* one = &hasher;
        for (size_t at = 0; at < shortFile.size(); at += 3000) {
            const uint8_t* from = shortFile.data() + at;
            size_t n = std::min<size_t>(3000, shortFile.size() - at);
            UpdatePar2FileMd5s(&one, &from, n, 1);
            UpdatePar2FileChecks(&hasher, from, n);
        }
        Par2File entry;
        ASSERT_TRUE(FinishPar2FileHash(&hasher, "c", &entry));
        EXPECT_EQ(Hex(entry.md5), Hex(unannounced.md5));
        EXPECT_EQ(Hex(entry.slices[0].md5), Hex(file.slices[2].md5));
        EXPECT_EQ(entry.slices[0].crc, file.slices[2].crc);
    }

    Par2SliceCheck check;
    ASSERT_TRUE(Par2CheckSlice(data.data() + 32768, 7232, 16384, &check));
    EXPECT_EQ(check.crc, file.slices[2].crc);
    // The ID: MD5 of the first 16 KiB's MD5, the length (8 bytes) and the name.
    std::vector<uint8_t> idBytes(file.md5First.bytes, file.md5First.bytes + 16);
    for (int i = 0; i < 8; ++i) idBytes.push_back(static_cast<uint8_t>(40000ull >> (8 * i)));
    idBytes.push_back('a');
    EXPECT_EQ(Hex(file.id), Hex(Md5(idBytes)));
}

// "año__002" in UTF-8: 9 bytes.
std::string Utf8Name() { return "a" + EncodeUtf8(0xF1) + "o__002"; }

// A set of three small files, one slice each but the last.
Par2Set SmallSet() {
    Par2Set set;
    set.sliceSize = 1000;
    set.files.push_back(HashInBlocks(Bytes(1000, 2), 1000, 300, "x.bin__000"));
    set.files.push_back(HashInBlocks(Bytes(1000, 3), 1000, 300, "x.bin__001"));
    set.files.push_back(HashInBlocks(Bytes(1999, 4), 1000, 300, Utf8Name()));
    EXPECT_TRUE(FinishPar2Set(&set));
    return set;
}

TEST(Par2Packets, HeadersAndBodies) {
    Par2Set set = SmallSet();
    for (size_t i = 1; i < set.files.size(); ++i) EXPECT_TRUE(Par2HashLess(set.files[i - 1].id, set.files[i].id));
    std::vector<uint8_t> main = Par2MainPacket(set);
    ASSERT_EQ(main.size(), 64u + 12 + 3 * 16);
    EXPECT_EQ(std::memcmp(main.data(), "PAR2\0PKT", 8), 0);
    EXPECT_EQ(LoadLittle64(&main[8]), main.size());
    EXPECT_EQ(Hex(Md5(main, 32)), Hex(*reinterpret_cast<const Par2Hash*>(&main[16])));
    // The set ID is the MD5 of the main packet's body.
    EXPECT_EQ(Hex(Md5(main, 64)), Hex(set.id));
    EXPECT_EQ(std::memcmp(&main[32], set.id.bytes, 16), 0);
    EXPECT_EQ(std::memcmp(&main[48], "PAR 2.0\0Main\0\0\0\0", 16), 0);
    EXPECT_EQ(LoadLittle64(&main[64]), 1000u);
    EXPECT_EQ(LoadLittle32(&main[72]), 3u);
    EXPECT_EQ(std::memcmp(&main[76 + 32], set.files[2].id.bytes, 16), 0);

    // The name's 9 bytes padded to 12.
    const Par2File& two = *std::find_if(set.files.begin(), set.files.end(),
                                        [](const Par2File& f) { return f.name == Utf8Name(); });
    std::vector<uint8_t> desc = Par2FileDescriptionPacket(set, two);
    ASSERT_EQ(desc.size(), 64u + 56 + 12);
    EXPECT_EQ(std::memcmp(&desc[48], "PAR 2.0\0FileDesc", 16), 0);
    EXPECT_EQ(LoadLittle64(&desc[112]), 1999u);
    EXPECT_EQ(std::string(desc.begin() + 120, desc.end()), Utf8Name() + std::string(3, '\0'));

    std::vector<uint8_t> ifsc = Par2SliceChecksumPacket(set, two);
    ASSERT_EQ(ifsc.size(), 64u + 16 + 2 * 20);
    EXPECT_EQ(std::memcmp(&ifsc[48], "PAR 2.0\0IFSC\0\0\0\0", 16), 0);
    EXPECT_EQ(LoadLittle32(&ifsc[64 + 16 + 20 + 16]), two.slices[1].crc);

    std::vector<uint8_t> creator = Par2CreatorPacket(set, "abcde");
    ASSERT_EQ(creator.size(), 64u + 8);
    EXPECT_EQ(std::memcmp(&creator[48], "PAR 2.0\0Creator\0", 16), 0);

    // A recovery slice packet streamed: its hash covers the exponent and data.
    std::vector<uint8_t> data = Bytes(1000, 9);
    Par2RecoveryPacket packet;
    ASSERT_TRUE(BeginPar2RecoveryPacket(set, 7, &packet));
    UpdatePar2RecoveryPacket(&packet, data.data(), 333);
    UpdatePar2RecoveryPacket(&packet, data.data() + 333, 667);
    FinishPar2RecoveryPacket(&packet);
    std::vector<uint8_t> whole(packet.header, packet.header + kPar2RecoveryHeaderSize);
    whole.insert(whole.end(), data.begin(), data.end());
    EXPECT_EQ(LoadLittle64(&whole[8]), whole.size());
    EXPECT_EQ(std::memcmp(&whole[48], "PAR 2.0\0RecvSlic", 16), 0);
    EXPECT_EQ(LoadLittle32(&whole[64]), 7u);
    EXPECT_EQ(Hex(Md5(whole, 32)), Hex(*reinterpret_cast<const Par2Hash*>(&whole[16])));

    Par2Set bad = set;
    bad.sliceSize = 1002;
    EXPECT_FALSE(FinishPar2Set(&bad));
    bad.sliceSize = 1000;
    bad.files.push_back(bad.files[0]);
    EXPECT_FALSE(FinishPar2Set(&bad));
}

TEST(Par2Packets, OneSlicePerPart) {
    // The largest part rounded up to a multiple of 4: every part one slice.
    EXPECT_EQ(Par2SliceSizeFor(0), 4u);
    EXPECT_EQ(Par2SliceSizeFor(4), 4u);
    EXPECT_EQ(Par2SliceSizeFor(4294967295u), 4294967296u);  // a FAT32 part
    EXPECT_EQ(Par2SliceSizeFor(1001), 1004u);
    Par2Set set;
    set.sliceSize = Par2SliceSizeFor(1001);
    for (uint64_t length : {1000u, 1000u, 1001u, 0u}) {
        Par2File file = {};
        file.length = length;
        set.files.push_back(file);
    }
    EXPECT_EQ(Par2SliceCount(1001, set.sliceSize), 1u);
    EXPECT_EQ(Par2SliceCount(0, set.sliceSize), 0u);
    EXPECT_EQ(Par2FirstSlice(set, 3), 3u);
    EXPECT_EQ(Par2TotalSlices(set), 3u);
}

TEST(Par2Packets, NamesAsPar2cmdlineGivesThem) {
    auto names = [](uint32_t r) {
        std::string all;
        for (const Par2Volume& v : Par2Volumes("v.bin", r)) all += v.name.substr(6) + " ";
        return all;
    };
    EXPECT_EQ(Par2IndexName("v.bin"), "v.bin.par2");
    EXPECT_EQ(names(0), "");
    EXPECT_EQ(names(1), "vol0+1.par2 ");
    EXPECT_EQ(names(2), "vol0+1.par2 vol1+1.par2 ");
    EXPECT_EQ(names(5), "vol0+1.par2 vol1+2.par2 vol3+2.par2 ");
    EXPECT_EQ(names(9), "vol0+1.par2 vol1+2.par2 vol3+4.par2 vol7+2.par2 ");
    EXPECT_EQ(names(10), "vol00+1.par2 vol01+2.par2 vol03+4.par2 vol07+3.par2 ");
    EXPECT_EQ(names(40), "vol00+01.par2 vol01+02.par2 vol03+04.par2 vol07+08.par2 vol15+16.par2 vol31+09.par2 ");
    std::vector<Par2Volume> v = Par2Volumes("v", 100);
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v.back().name, "v.vol063+37.par2");
    EXPECT_EQ(v.back().firstExponent, 63u);
    EXPECT_EQ(v.back().count, 37u);
}

}  // namespace

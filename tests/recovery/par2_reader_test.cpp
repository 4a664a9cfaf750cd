// The reader over a set written in memory: every packet found and checked,
// damaged packets, unknown packets and other sets' packets skipped, each
// recovery slice's data where the reader says it lies.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "recovery/par2_file_hash.h"
#include "recovery/par2_packets.h"
#include "recovery/par2_reader.h"

namespace {

struct Written {
    Par2Set set;
    std::vector<uint8_t> critical;
    std::vector<uint8_t> bytes;           // a recovery file of two slices
    std::vector<std::vector<uint8_t>> data;  // their data
};

Par2File FileOf(size_t size, uint32_t seed, const std::string& name, uint64_t sliceSize) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    Par2FileHasher hasher;
    BeginPar2FileHash(sliceSize, &hasher);
    UpdatePar2FileHash(&hasher, bytes.data(), bytes.size());
    Par2File file;
    FinishPar2FileHash(&hasher, name, &file);
    return file;
}

void Append(std::vector<uint8_t>* to, const std::vector<uint8_t>& bytes) { to->insert(to->end(), bytes.begin(), bytes.end()); }

// As the recovery files are laid out: each slice, then the critical packets.
Written WriteSet(uint64_t sliceSize = 512) {
    Written w;
    w.set.sliceSize = sliceSize;
    for (uint32_t i = 0; i < 3; ++i) w.set.files.push_back(FileOf(500 + i, i + 1, "p__00" + std::to_string(i), sliceSize));
    EXPECT_TRUE(FinishPar2Set(&w.set));
    w.critical = Par2CriticalPackets(w.set);
    for (uint32_t e = 4; e < 6; ++e) {
        std::vector<uint8_t> data(sliceSize);
        for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * e + 1);
        Par2RecoveryPacket packet;
        EXPECT_TRUE(BeginPar2RecoveryPacket(w.set, e, &packet));
        UpdatePar2RecoveryPacket(&packet, data.data(), data.size());
        FinishPar2RecoveryPacket(&packet);
        EXPECT_EQ(w.bytes.size() + kPar2RecoveryHeaderSize, Par2VolumeDataOffset(sliceSize, w.critical.size(), e - 4));
        w.bytes.insert(w.bytes.end(), packet.header, packet.header + kPar2RecoveryHeaderSize);
        Append(&w.bytes, data);
        Append(&w.bytes, w.critical);
        w.data.push_back(data);
    }
    Append(&w.bytes, Par2CreatorPacket(w.set, "test"));
    EXPECT_EQ(w.bytes.size(), Par2VolumeLength(sliceSize, w.critical.size(), 2, 64 + 4));
    return w;
}

struct Resolved {
    int ok;
    Par2Set set;
    std::vector<Par2RecoverySlice> recovery;
    Par2SetProblem problem;
    size_t which;
};

Resolved Resolve(const Par2Catalog& catalog) {
    Resolved r;
    r.ok = ResolvePar2Set(catalog, &r.set, &r.recovery, &r.problem, &r.which);
    return r;
}

TEST(Par2Reader, ReadsWhatIsWritten) {
    Written w = WriteSet();
    Par2Catalog catalog;
    ASSERT_TRUE(ScanPar2Bytes(w.bytes.data(), w.bytes.size(), 3, &catalog));
    EXPECT_EQ(catalog.packets, 2u + 2 * 7 + 1);
    EXPECT_EQ(catalog.damagedPackets, 0u);
    EXPECT_EQ(catalog.mains.size(), 1u);  // copies kept once
    EXPECT_EQ(catalog.files.size(), 3u);
    ASSERT_EQ(catalog.creators.size(), 1u);
    EXPECT_EQ(catalog.creators[0], "test");
    Resolved r = Resolve(catalog);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(Par2HashEqual(r.set.id, w.set.id));
    EXPECT_EQ(r.set.sliceSize, 512u);
    ASSERT_EQ(r.set.files.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(Par2HashEqual(r.set.files[i].id, w.set.files[i].id));
        EXPECT_EQ(r.set.files[i].name, w.set.files[i].name);
        EXPECT_EQ(r.set.files[i].length, w.set.files[i].length);
        ASSERT_EQ(r.set.files[i].slices.size(), 1u);
        EXPECT_EQ(r.set.files[i].slices[0].crc, w.set.files[i].slices[0].crc);
    }
    ASSERT_EQ(r.recovery.size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(r.recovery[k].exponent, 4 + k);
        EXPECT_EQ(r.recovery[k].source, 3u);
        EXPECT_EQ(r.recovery[k].dataLength, 512u);
        EXPECT_EQ(std::memcmp(w.bytes.data() + r.recovery[k].dataOffset, w.data[k].data(), 512), 0);
    }
}

// Deferred, a recovery slice is taken on its header where its length leads
// to another packet, and its later check tells its data from damaged ones;
// a length that leads elsewhere is checked at once, as without deferral.
TEST(Par2Reader, DeferredRecoveryChecksAreMadeByTheReader) {
    Written w = WriteSet();
    std::vector<uint8_t> damaged = w.bytes;
    damaged[kPar2RecoveryHeaderSize + 100] ^= 1;  // the first slice's data
    for (const std::vector<uint8_t>* bytes : {&w.bytes, &damaged}) {
        Par2Catalog catalog;
        catalog.deferRecoveryChecks = true;
        ASSERT_TRUE(ScanPar2Bytes(bytes->data(), bytes->size(), 0, &catalog));
        EXPECT_EQ(catalog.damagedPackets, 0u);
        Resolved r = Resolve(catalog);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(r.recovery.size(), 2u);
        for (size_t k = 0; k < 2; ++k) {
            const Par2RecoverySlice& slice = r.recovery[k];
            EXPECT_FALSE(slice.checked);
            EXPECT_EQ(slice.exponent, 4 + k);
            ASSERT_EQ(slice.dataLength, 512u);
            std::unique_ptr<CHash> md5(CreateHashEngine(CHECKSUM_MD5));
            BeginPar2RecoveryCheck(slice, md5.get());
            md5->Update(bytes->data() + slice.dataOffset, 512);
            bool sound = bytes == &w.bytes || k == 1;
            EXPECT_EQ(Par2RecoveryCheckPasses(slice, md5.get()), sound) << k;
        }
    }
    // The first packet's length changed to land inside the next one: its
    // MD5 is checked now, and the scan goes on after it.
    std::vector<uint8_t> shifted = w.bytes;
    shifted[8] = static_cast<uint8_t>(shifted[8] + 4);
    Par2Catalog catalog;
    catalog.deferRecoveryChecks = true;
    ASSERT_TRUE(ScanPar2Bytes(shifted.data(), shifted.size(), 0, &catalog));
    Resolved r = Resolve(catalog);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.recovery.size(), 1u);
    EXPECT_EQ(r.recovery[0].exponent, 5u);
    EXPECT_EQ(r.set.files.size(), 3u);
}

TEST(Par2Reader, DamagedPacketsAreSkippedAndCopiesUsed) {
    Written w = WriteSet();
    // A byte of the first slice's data, and of the first copy of the main packet.
    std::vector<uint8_t> damaged = w.bytes;
    damaged[kPar2RecoveryHeaderSize + 100] ^= 1;
    size_t firstMain = kPar2RecoveryHeaderSize + 512;
    damaged[firstMain + 70] ^= 0x40;
    Par2Catalog catalog;
    ASSERT_TRUE(ScanPar2Bytes(damaged.data(), damaged.size(), 0, &catalog));
    EXPECT_EQ(catalog.damagedPackets, 2u);
    Resolved r = Resolve(catalog);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.recovery.size(), 1u);
    EXPECT_EQ(r.recovery[0].exponent, 5u);
    EXPECT_EQ(r.set.files.size(), 3u);

    // A length that runs past the end, and a file cut inside a packet.
    damaged = w.bytes;
    damaged[8] = 0xF0;
    damaged.resize(damaged.size() - 30);
    catalog = Par2Catalog();
    ASSERT_TRUE(ScanPar2Bytes(damaged.data(), damaged.size(), 0, &catalog));
    EXPECT_EQ(catalog.damagedPackets, 2u);  // the first slice, and the creator cut short
    r = Resolve(catalog);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.recovery.size(), 1u);
    EXPECT_TRUE(catalog.creators.empty());
}

TEST(Par2Reader, UnknownPacketsGarbageAndOtherSets) {
    Written w = WriteSet();
    Written other = WriteSet(1024);  // another slice size, so another set ID
    ASSERT_FALSE(Par2HashEqual(w.set.id, other.set.id));
    // An application's own packet: sound, of a type not read here.
    std::vector<uint8_t> unknown(kPar2Magic, kPar2Magic + 8);
    unknown.resize(64 + 8, 0);
    unknown[8] = 72;
    std::memcpy(&unknown[32], w.set.id.bytes, 16);
    std::memcpy(&unknown[48], "Selvanore test\0\0", 16);
    Par2Hash hash;
    Md5Of(unknown.data() + 32, unknown.size() - 32, &hash);
    std::memcpy(&unknown[16], hash.bytes, 16);

    // Garbage of a length that puts a packet across the reader's 64 KiB
    // windows, another set's recovery file first, bytes between packets.
    std::vector<uint8_t> bytes = other.bytes;
    bytes.resize(65536 - 5 - w.critical.size(), 0x50);
    bytes.insert(bytes.end(), {'P', 'A', 'R', '2', 0, 'P'});
    bytes.insert(bytes.end(), w.critical.begin(), w.critical.end());
    bytes.insert(bytes.end(), unknown.begin(), unknown.end());
    bytes.insert(bytes.end(), 3, 0x11);
    bytes.insert(bytes.end(), w.bytes.begin(), w.bytes.end());
    Par2Catalog catalog;
    ASSERT_TRUE(ScanPar2Bytes(bytes.data(), bytes.size(), 1, &catalog));
    EXPECT_EQ(catalog.unknownPackets, 1u);
    EXPECT_EQ(catalog.mains.size(), 2u);
    // The first main packet found decides the set: the other set's.
    Resolved r = Resolve(catalog);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(Par2HashEqual(r.set.id, other.set.id));
    EXPECT_EQ(r.set.sliceSize, 1024u);
    ASSERT_EQ(r.recovery.size(), 2u);
    EXPECT_EQ(std::memcmp(bytes.data() + r.recovery[1].dataOffset, other.data[1].data(), 1024), 0);

    // Without the other set's packets, ours, with its packets after the garbage.
    std::vector<uint8_t> ours(bytes.begin() + static_cast<long>(other.bytes.size()), bytes.end());
    catalog = Par2Catalog();
    ASSERT_TRUE(ScanPar2Bytes(ours.data(), ours.size(), 1, &catalog));
    r = Resolve(catalog);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(Par2HashEqual(r.set.id, w.set.id));
    EXPECT_EQ(r.recovery.size(), 2u);
}

TEST(Par2Reader, ProblemsOfASet) {
    Written w = WriteSet();
    Par2Catalog catalog;
    ASSERT_TRUE(ScanPar2Bytes(w.critical.data(), 100, 0, &catalog));
    Resolved r = Resolve(catalog);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.problem, Par2SetProblem::NoMain);
    // The main packet and the second file's description only.
    std::vector<uint8_t> some = Par2MainPacket(w.set);
    std::vector<uint8_t> desc = Par2FileDescriptionPacket(w.set, w.set.files[1]);
    some.insert(some.end(), desc.begin(), desc.end());
    catalog = Par2Catalog();
    ASSERT_TRUE(ScanPar2Bytes(some.data(), some.size(), 0, &catalog));
    r = Resolve(catalog);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.problem, Par2SetProblem::MissingDescription);
    EXPECT_EQ(r.which, 0u);
}

}  // namespace

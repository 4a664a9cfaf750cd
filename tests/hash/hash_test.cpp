// The checksum engines: standard vectors, an independent oracle, chunking,
// the buffering paths of Update and the final padding.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "hash/accel.h"
#include "hash/hash.h"
#include "hash/md5.h"
#include "hash/sha1.h"
#include "hash/sha2.h"
#include "tests/support/read_file.h"

namespace {

std::string Digest(CHash& engine) {
    std::string text(2 * engine.m_digestSize + 1, '#');
    engine.GetDigestText(&text[0]);
    EXPECT_EQ(text.back(), '\0');
    text.pop_back();
    return text;
}

std::string HashWhole(CHash& engine, const void* data, size_t length) {
    engine.Reset();
    engine.Update(data, static_cast<uint32_t>(length));
    engine.Finish();
    return Digest(engine);
}

// Feeds the message in random chunks, with empty chunks among them.
std::string HashInChunks(CHash& engine, const uint8_t* data, size_t length, std::mt19937& rng) {
    std::uniform_int_distribution<size_t> small(0, 200);
    std::uniform_int_distribution<size_t> large(0, 70000);
    engine.Reset();
    size_t done = 0;
    while (done < length) {
        size_t n = (rng() % 4 == 0 ? large(rng) : small(rng));
        if (n > length - done) n = length - done;
        engine.Update(data + done, static_cast<uint32_t>(n));
        done += n;
    }
    engine.Finish();
    return Digest(engine);
}

std::unique_ptr<CHash> Make(uint32_t kind) { return std::unique_ptr<CHash>(CreateHashEngine(kind)); }

const uint32_t kKinds[] = {CHECKSUM_MD5, CHECKSUM_SHA1, CHECKSUM_SHA224, CHECKSUM_SHA256};

struct Vector {
    const char* message;
    const char* digest[4];  // MD5, SHA-1, SHA-224, SHA-256
};

const char k448[] = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const char k896[] =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopq"
    "rsmnopqrstnopqrstu";

const Vector kVectors[] = {
    {"",
     {"d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709",
      "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f",
      "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"}},
    {"abc",
     {"900150983cd24fb0d6963f7d28e17f72", "a9993e364706816aba3e25717850c26c9cd0d89d",
      "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7",
      "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}},
    {k448,
     {"8215ef0796a20bcaaae116d3876c664a", "84983e441c3bd26ebaae4aa1f95129e5e54670f1",
      "75388b16512776cc5dba5da1fd890150b0c6455cb4f58b1952522525",
      "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"}},
    {k896,
     {"03dd8807a93175fb062dfb55dc7d359c", "a49b2446a02c645bf419f995b67091253a04a259",
      "c97ca9a559850ce97a04a96def6d99a9e0e0e2ab14e6b8df265fc0b3",
      "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"}},
};

const char* kMillionA[4] = {
    "7707d6ae4e027c70eea2a935c2296f21", "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
    "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67",
    "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"};

TEST(HashEngines, DescribeThemselves) {
    const struct {
        uint32_t kind;
        const char* name;
        int32_t size;
    } expected[] = {{CHECKSUM_MD5, "MD5", 16},
                    {CHECKSUM_SHA1, "SHA-1", 20},
                    {CHECKSUM_SHA224, "SHA-224", 28},
                    {CHECKSUM_SHA256, "SHA-256", 32}};
    for (const auto& e : expected) {
        auto engine = Make(e.kind);
        ASSERT_NE(engine, nullptr);
        EXPECT_STREQ(engine->m_name, e.name);
        EXPECT_EQ(engine->m_digestSize, e.size);
    }
    EXPECT_EQ(CreateHashEngine(CHECKSUM_NONE), nullptr);
    EXPECT_EQ(CreateHashEngine(5), nullptr);
    EXPECT_EQ(CreateHashEngine(0xFFFFFFFF), nullptr);
}

// The digests must not depend on the block functions in use: the tests below
// run with the portable functions and with the SHA extensions.
class EnginePaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (UseShaExtensions(GetParam()) != GetParam()) {
            GTEST_SKIP() << "this processor has no SHA extensions";
        }
    }
    void TearDown() override { UseShaExtensions(true); }
};

INSTANTIATE_TEST_SUITE_P(HashEngines, EnginePaths, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "ShaExtensions" : "Portable";
                         });

TEST_P(EnginePaths, PublishedVectorsWholeAndBytewise) {
    for (int k = 0; k < 4; ++k) {
        auto engine = Make(kKinds[k]);
        for (const Vector& v : kVectors) {
            size_t len = std::strlen(v.message);
            EXPECT_EQ(HashWhole(*engine, v.message, len), v.digest[k])
                << engine->m_name << " of \"" << v.message << "\"";
            engine->Reset();
            for (size_t i = 0; i < len; ++i) engine->Update(v.message + i, 1);
            engine->Finish();
            EXPECT_EQ(Digest(*engine), v.digest[k]) << engine->m_name << " byte by byte";
        }
    }
}

TEST_P(EnginePaths, OneMillionA) {
    std::vector<uint8_t> a(1000000, 'a');
    std::mt19937 rng(7);
    for (int k = 0; k < 4; ++k) {
        auto engine = Make(kKinds[k]);
        EXPECT_EQ(HashWhole(*engine, a.data(), a.size()), kMillionA[k]) << engine->m_name;
        EXPECT_EQ(HashInChunks(*engine, a.data(), a.size(), rng), kMillionA[k]) << engine->m_name;
    }
}

TEST(HashEngines, ResetAfterFinishStartsANewMessage) {
    for (uint32_t kind : kKinds) {
        auto engine = Make(kind);
        std::string first = HashWhole(*engine, k896, sizeof k896 - 1);
        engine->Reset();
        engine->Update("something else entirely", 24);
        engine->Finish();
        EXPECT_NE(Digest(*engine), first);
        EXPECT_EQ(HashWhole(*engine, k896, sizeof k896 - 1), first) << engine->m_name;
    }
}

TEST(HashEngines, DigestTextFillsExactlyTwiceTheSizePlusOne) {
    for (uint32_t kind : kKinds) {
        auto engine = Make(kind);
        HashWhole(*engine, "abc", 3);
        size_t n = 2 * static_cast<size_t>(engine->m_digestSize);
        // Guard bytes on both sides catch a write out of the caller's buffer.
        std::vector<char> buffer(n + 1 + 2, '#');
        engine->GetDigestText(buffer.data() + 1);
        EXPECT_EQ(buffer[0], '#');
        EXPECT_EQ(buffer[n + 1], '\0');
        EXPECT_EQ(buffer[n + 2], '#');
        EXPECT_EQ(std::strlen(buffer.data() + 1), n);
        // Repeatable.
        std::string again = Digest(*engine);
        EXPECT_EQ(std::string(buffer.data() + 1), again);
    }
}

TEST(WordToHex, WritesEightLowerCaseDigitsAndNoTerminator) {
    char text[10];
    std::memset(text, '#', sizeof text);
    WordToHex(text, 0x09afAF50);
    EXPECT_EQ(std::string(text, 9), "09afaf50#");
    WordToHex(text, 0xFFFFFFFF);
    EXPECT_EQ(std::string(text, 8), "ffffffff");
    WordToHex(text, 0);
    EXPECT_EQ(std::string(text, 8), "00000000");
}

// ---- The independent oracle --------------------------------------------

struct OracleCase {
    size_t offset, length;
    std::string digest[4];
};

std::vector<OracleCase> ReadOracle() {
    std::vector<OracleCase> cases;
    FILE* f = std::fopen(ORACLE_DIR "/digests.txt", "r");
    if (f == nullptr) return cases;
    unsigned long long offset, length;
    char d[4][80];
    while (std::fscanf(f, "%llu %llu %79s %79s %79s %79s", &offset, &length, d[0], d[1], d[2], d[3]) == 6) {
        cases.push_back({static_cast<size_t>(offset), static_cast<size_t>(length), {d[0], d[1], d[2], d[3]}});
    }
    std::fclose(f);
    return cases;
}

TEST_P(EnginePaths, AgreeWithOpensslOnMessagesOfManyLengths) {
    std::vector<uint8_t> stream = ReadFileBytes(ORACLE_DIR "/stream.bin");
    std::vector<OracleCase> cases = ReadOracle();
    ASSERT_GT(cases.size(), 400u) << "oracle data missing in " ORACLE_DIR;
    std::mt19937 rng(2024);
    for (int k = 0; k < 4; ++k) {
        auto engine = Make(kKinds[k]);
        for (const OracleCase& c : cases) {
            ASSERT_LE(c.offset + c.length, stream.size());
            const uint8_t* msg = stream.data() + c.offset;
            ASSERT_EQ(HashWhole(*engine, msg, c.length), c.digest[k])
                << engine->m_name << " of " << c.length << " bytes";
            ASSERT_EQ(HashInChunks(*engine, msg, c.length, rng), c.digest[k])
                << engine->m_name << " of " << c.length << " bytes in chunks";
        }
    }
}

// ---- Buffering and padding, seen through the calls of Transform ---------

// An engine whose block function records what it is given: the size of each
// call and the bytes of the last one.
class CTransformSpy : public CHash {
public:
    CTransformSpy(bool bigEndian = false) : CHash(CHECKSUM_MD5, bigEndian) {}
    void Reset() override {
        CHash::Reset();
        for (int i = 0; i < 4; ++i) m_state[i] = 0;
        calls.clear();
    }
    void SetByteCount(uint64_t count) { m_byteCount = count; }
    uint32_t Fill() const { return m_blockFill; }
    uint64_t ByteCount() const { return m_byteCount; }

    std::vector<uint32_t> calls;
    std::vector<uint8_t> lastData;
    std::vector<const uint8_t*> lastPointers;

protected:
    void Transform(const uint8_t* data, uint32_t count) override {
        calls.push_back(count);
        lastData.assign(data, data + count);
        lastPointers.push_back(data);
    }
};

TEST(HashBuffering, UpdatesIntoAnEmptyBuffer) {
    uint8_t data[200];
    for (int i = 0; i < 200; ++i) data[i] = static_cast<uint8_t>(i);
    const struct {
        uint32_t length;
        std::vector<uint32_t> calls;
        uint32_t fill;
    } cases[] = {
        {0, {}, 0},     {1, {}, 1},     {63, {}, 63},         {64, {}, 64},
        {65, {64}, 1},  {128, {128}, 0}, {129, {128}, 1},     {191, {128}, 63},
    };
    CTransformSpy spy;
    for (const auto& c : cases) {
        spy.Reset();
        spy.Update(data, c.length);
        EXPECT_EQ(spy.calls, c.calls) << "length " << c.length;
        EXPECT_EQ(spy.Fill(), c.fill) << "length " << c.length;
        EXPECT_EQ(spy.ByteCount() + spy.Fill(), c.length);
        if (!c.calls.empty()) {
            // Whole blocks are transformed where they lie, without a copy.
            EXPECT_EQ(spy.lastPointers.back(), data);
        }
    }
}

TEST(HashBuffering, UpdatesIntoAPartlyFilledBuffer) {
    uint8_t data[200];
    for (int i = 0; i < 200; ++i) data[i] = static_cast<uint8_t>(i);
    const struct {
        uint32_t buffered, length;
        std::vector<uint32_t> calls;
        uint32_t fill;
    } cases[] = {
        {33, 31, {}, 64},          // exactly full: waits
        {33, 95, {64}, 64},        // fills the block, buffers the other 64
        {33, 96, {64, 64}, 1},     // fills, one more block directly, one byte left
        {33, 159, {64, 128}, 0},   // fills, two blocks directly, nothing left
        {64, 1, {64}, 1},          // a full buffer is transformed by the next byte
        {64, 129, {64, 128}, 1},
        {1, 63, {}, 64},
    };
    CTransformSpy spy;
    for (const auto& c : cases) {
        spy.Reset();
        spy.Update(data, c.buffered);
        spy.Update(data, c.length);
        EXPECT_EQ(spy.calls, c.calls) << c.buffered << " + " << c.length;
        EXPECT_EQ(spy.Fill(), c.fill) << c.buffered << " + " << c.length;
        EXPECT_EQ(spy.ByteCount() + spy.Fill(), c.buffered + c.length);
    }
}

TEST(HashBuffering, AnEmptyUpdateChangesNothing) {
    CTransformSpy spy;
    spy.Reset();
    spy.Update("abcde", 5);
    spy.Update(nullptr, 0);
    EXPECT_EQ(spy.Fill(), 5u);
    EXPECT_TRUE(spy.calls.empty());
}

TEST(HashPadding, FinalBlocksByBufferedCount) {
    uint8_t data[64];
    std::memset(data, 0xAB, sizeof data);
    CTransformSpy spy;
    for (uint32_t buffered = 0; buffered <= 64; ++buffered) {
        spy.Reset();
        spy.Update(data, buffered);
        spy.Finish();
        uint32_t expected = buffered <= 55 ? 64 : 128;
        ASSERT_EQ(spy.calls, std::vector<uint32_t>{expected}) << buffered << " buffered";
        const std::vector<uint8_t>& b = spy.lastData;
        EXPECT_EQ(b[buffered], 0x80);
        for (uint32_t i = buffered + 1; i < expected - 8; ++i) ASSERT_EQ(b[i], 0) << i;
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(b[expected - 8 + i]) << (8 * i);
        EXPECT_EQ(bits, buffered * 8u);
    }
}

TEST(HashPadding, LengthFieldCarriesPastFourGibibytes) {
    // Start just below 2^32 counted bytes, then cross it with real updates:
    // 64 more bytes are transformed and 4 buffered, 2^32 + 4 bytes in all.
    uint8_t data[68] = {};
    const uint8_t little[8] = {0x20, 0, 0, 0, 0x08, 0, 0, 0};
    const uint8_t big[8] = {0, 0, 0, 0x08, 0, 0, 0, 0x20};
    for (bool bigEndian : {false, true}) {
        CTransformSpy spy(bigEndian);
        spy.Reset();
        spy.SetByteCount(0xFFFFFFC0u);
        spy.Update(data, 60);
        spy.Update(data, 8);
        EXPECT_EQ(spy.ByteCount(), 0x100000000ull);
        spy.Finish();
        EXPECT_EQ(spy.ByteCount(), 0x100000004ull);
        ASSERT_EQ(spy.lastData.size(), 64u);
        EXPECT_EQ(0, std::memcmp(spy.lastData.data() + 56, bigEndian ? big : little, 8))
            << (bigEndian ? "big-endian" : "little-endian");
    }
}

// ---- MD5 side by side --------------------------------------------------------

std::string DigestOf(CHash& engine) {
    engine.Finish();
    char text[65];
    engine.GetDigestText(text);
    return text;
}

// Many messages hashed together as each alone would be: groups of eight
// and the rest, engines holding part of a block already, lengths with and
// without a tail, on each SIMD function the processor has and without.
TEST(Md5Lanes, SideBySideAsOneAtATime) {
    std::mt19937 rng(27);
    std::vector<uint8_t> bytes(17 * 5000);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    for (Md5LanesLimit simd : {Md5LanesLimit::Widest, Md5LanesLimit::Avx2, Md5LanesLimit::None}) {
        UseMd5Lanes(simd);
        for (uint32_t count : {1u, 2u, 7u, 8u, 9u, 17u}) {
            for (uint32_t length : {0u, 63u, 64u, 1000u, 4101u}) {
                std::vector<std::unique_ptr<CHash>> together;
                std::vector<CHash*> engines;
                std::vector<const uint8_t*> data;
                std::vector<std::string> alone;
                for (uint32_t i = 0; i < count; ++i) {
                    together.push_back(Make(CHECKSUM_MD5));
                    together.back()->Reset();
                    auto single = Make(CHECKSUM_MD5);
                    single->Reset();
                    // Every third engine begins with 5 bytes of its own.
                    const uint8_t* own = bytes.data() + i * 5000;
                    uint32_t lead = i % 3 == 0 ? 5 : 0;
                    together.back()->Update(own, lead);
                    single->Update(own, lead + length);
                    alone.push_back(DigestOf(*single));
                    engines.push_back(together.back().get());
                    data.push_back(own + lead);
                }
                CMd5::UpdateLanes(engines.data(), data.data(), count, length);
                for (uint32_t i = 0; i < count; ++i) {
                    EXPECT_EQ(DigestOf(*together[i]), alone[i])
                        << "simd limit " << static_cast<int>(simd) << ", " << count << " engines of " << length << " bytes, engine " << i;
                }
            }
        }
    }
    UseMd5Lanes(Md5LanesLimit::Widest);
}

}  // namespace

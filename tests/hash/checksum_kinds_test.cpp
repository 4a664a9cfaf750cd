// The checksum kinds the record's kind field names, as the engines and the
// command lines know them: one table.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "hash/checksum_kinds.h"
#include "hash/hash.h"

// The table is indexed by code, and each kind's engine shows the table's
// name and writes a digest text of the table's length (within the longest).
TEST(ChecksumKinds, EachEngineHasTheNameAndDigestLengthOfItsKind) {
    EXPECT_EQ(CreateHashEngine(CHECKSUM_NONE), nullptr);
    EXPECT_EQ(FindChecksumKind(kChecksumKindCount), nullptr);
    EXPECT_EQ(CreateHashEngine(kChecksumKindCount), nullptr);
    for (const ChecksumKindInfo& info : kChecksumKinds) {
        SCOPED_TRACE(info.option);
        EXPECT_EQ(FindChecksumKind(info.kind), &info);
        EXPECT_EQ(FindChecksumName(info.option), &info);
        if (info.kind == CHECKSUM_NONE) continue;
        std::unique_ptr<CHash> engine(CreateHashEngine(info.kind));
        ASSERT_NE(engine, nullptr);
        EXPECT_STREQ(engine->m_name, info.display);
        EXPECT_LE(2 * info.digestSize, kLongestDigestText);
        EXPECT_EQ(static_cast<uint32_t>(engine->m_digestSize), info.digestSize);
        engine->Reset();
        engine->Finish();
        char text[kLongestDigestText + 2];
        std::memset(text, 'x', sizeof text);
        engine->GetDigestText(text);
        EXPECT_EQ(std::strlen(text), 2 * info.digestSize);
    }
}

// A kind as users type it: the option name or the name shown, in any case;
// nothing looser.
TEST(ChecksumKinds, NamesAreTakenInAnyCaseWithOrWithoutTheDash) {
    const struct {
        const char* text;
        uint32_t kind;
    } good[] = {
        {"sha256", CHECKSUM_SHA256}, {"SHA256", CHECKSUM_SHA256}, {"sha-256", CHECKSUM_SHA256},
        {"Sha-256", CHECKSUM_SHA256}, {"SHA-224", CHECKSUM_SHA224}, {"sha224", CHECKSUM_SHA224},
        {"SHA1", CHECKSUM_SHA1},     {"sha-1", CHECKSUM_SHA1},     {"Md5", CHECKSUM_MD5},
        {"MD5", CHECKSUM_MD5},       {"NONE", CHECKSUM_NONE},      {"None", CHECKSUM_NONE},
    };
    for (const auto& c : good) {
        const ChecksumKindInfo* info = FindChecksumName(c.text);
        ASSERT_NE(info, nullptr) << c.text;
        EXPECT_EQ(info->kind, c.kind) << c.text;
    }
    for (const char* text : {"", "sha", "sha2", "sha-", "sha--256", "sha 256", "sha_256", "md-5",
                             "sha2560", "sha25", "-sha256", "sha256-", "crc32", "sha-384"}) {
        EXPECT_EQ(FindChecksumName(text), nullptr) << text;
    }
}

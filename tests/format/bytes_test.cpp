// The record's bytes: the layout and codec of format/record_layout.h, and the
// recognition of the template and of stamped records (format/classify.h).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "format/classify.h"
#include "format/name_record.h"
#include "text/cp1252.h"
#include "tests/support/read_file.h"

namespace {

JoinRecord MakeRecord(uint32_t kind, const char* checksum, uint64_t size, uint32_t count,
                      const char* name) {
    JoinRecord record;
    std::memset(&record, '#', sizeof record);  // garbage after the terminators
    std::strcpy(record.checksumText, checksum);
    record.checksumKind = kind;
    record.expectedSize = size;
    record.partCount = count;
    std::strcpy(record.outputName, name);
    return record;
}

const char kMd5[] = "0123456789abcdef0123456789abcdef";
const char kSha256[] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

TEST(RecordBytes, LayoutIsPackedLittleEndianAndZeroFilled) {
    uint8_t bytes[kRecordSize];
    std::memset(bytes, 0xEE, sizeof bytes);
    JoinRecord record = MakeRecord(4, kSha256, 0x0102030405060708ull, 0x0A0B0C0D, "A\xF1o.bin");
    ASSERT_TRUE(EncodeRecord(record, bytes));

    EXPECT_EQ(std::memcmp(bytes, kSha256, 64), 0);
    for (int i = 64; i < 80; ++i) EXPECT_EQ(bytes[i], 0) << i;
    const uint8_t kind[] = {4, 0, 0, 0};
    const uint8_t size[] = {8, 7, 6, 5, 4, 3, 2, 1};
    const uint8_t count[] = {0x0D, 0x0C, 0x0B, 0x0A};
    EXPECT_EQ(std::memcmp(bytes + 80, kind, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 84, size, 8), 0);
    EXPECT_EQ(std::memcmp(bytes + 92, count, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 96, "A\xF1o.bin", 8), 0);
    for (uint32_t i = 96 + 8; i < kRecordSize; ++i) EXPECT_EQ(bytes[i], 0) << i;

    JoinRecord back;
    DecodeRecord(bytes, &back);
    EXPECT_STREQ(back.checksumText, kSha256);
    EXPECT_EQ(back.checksumKind, 4u);
    EXPECT_EQ(back.expectedSize, 0x0102030405060708ull);
    EXPECT_EQ(back.partCount, 0x0A0B0C0Du);
    EXPECT_STREQ(back.outputName, "A\xF1o.bin");
}

TEST(RecordBytes, EncodingRefusesUnterminatedTexts) {
    uint8_t bytes[kRecordSize];
    std::memset(bytes, 0x55, sizeof bytes);
    JoinRecord record = MakeRecord(0, "", 10, 2, "x");
    std::memset(record.outputName, 'n', sizeof record.outputName);
    EXPECT_FALSE(EncodeRecord(record, bytes));
    record = MakeRecord(0, "", 10, 2, "x");
    std::memset(record.checksumText, 'a', sizeof record.checksumText);
    EXPECT_FALSE(EncodeRecord(record, bytes));
    for (uint8_t b : bytes) ASSERT_EQ(b, 0x55);  // nothing written

    // The longest texts that fit: 79 and 625 characters.
    record = MakeRecord(0, "", 10, 2, "x");
    std::memset(record.checksumText, 'a', 79);
    record.checksumText[79] = '\0';
    std::memset(record.outputName, 'n', 625);
    record.outputName[625] = '\0';
    ASSERT_TRUE(EncodeRecord(record, bytes));
    JoinRecord back;
    DecodeRecord(bytes, &back);
    EXPECT_EQ(std::strlen(back.checksumText), 79u);
    EXPECT_EQ(std::strlen(back.outputName), 625u);
}

TEST(RecordBytes, TheShippedTemplateIsRecognised) {
    std::vector<uint8_t> bytes = ReadFileBytes(JOINDESC_FILE);
    ASSERT_EQ(bytes.size(), kRecordSize) << JOINDESC_FILE;
    EXPECT_EQ(ClassifyRecord(bytes.data()), RecordKind::Template);

    // Every byte but those of the placeholder phrase is pinned; the phrase
    // may read anything but may not hold a zero.
    for (uint32_t i = 0; i < kRecordSize; ++i) {
        std::vector<uint8_t> changed = bytes;
        bool phrase = i >= 96 && i < 146;
        changed[i] = phrase ? 0 : static_cast<uint8_t>(bytes[i] ^ 0x01);
        EXPECT_EQ(ClassifyRecord(changed.data()), RecordKind::Unrecognised) << "byte " << i;
        if (phrase) {
            changed[i] = 'Z';
            EXPECT_EQ(ClassifyRecord(changed.data()), RecordKind::Template) << "byte " << i;
        }
    }
}

TEST(RecordBytes, PlausibleStampedRecordsAreAcceptedAndOthersNot) {
    struct Case {
        JoinRecord record;
        RecordKind expected;
        const char* what;
    };
    const Case cases[] = {
        {MakeRecord(0, "", 2, 2, "a"), RecordKind::Stamped, "no checksum"},
        {MakeRecord(1, kMd5, 100, 3, "f.bin"), RecordKind::Stamped, "MD5"},
        {MakeRecord(2, "0123456789abcdef0123456789abcdef01234567", 100, 3, "f"),
         RecordKind::Stamped, "SHA-1"},
        {MakeRecord(3, "0123456789abcdef0123456789abcdef0123456789abcdef01234567", 100, 3, "f"),
         RecordKind::Stamped, "SHA-224"},
        {MakeRecord(4, kSha256, 5ull << 30, 4294967295u, "f"), RecordKind::Stamped, "SHA-256"},
        {MakeRecord(5, kSha256, 100, 3, "f"), RecordKind::Unrecognised, "unknown kind"},
        {MakeRecord(4, kMd5, 100, 3, "f"), RecordKind::Unrecognised, "text of another kind"},
        {MakeRecord(1, "0123456789ABCDEF0123456789abcdef", 100, 3, "f"), RecordKind::Unrecognised,
         "upper-case digits"},
        {MakeRecord(1, "0123456789abcdeg0123456789abcdef", 100, 3, "f"), RecordKind::Unrecognised,
         "not hexadecimal"},
        {MakeRecord(0, kMd5, 100, 3, "f"), RecordKind::Unrecognised, "text without a kind"},
        {MakeRecord(1, kMd5, 100, 1, "f"), RecordKind::Unrecognised, "one part"},
        {MakeRecord(1, kMd5, 100, 0, "f"), RecordKind::Unrecognised, "no parts"},
        {MakeRecord(1, kMd5, 2, 3, "f"), RecordKind::Unrecognised, "fewer bytes than parts"},
        {MakeRecord(1, kMd5, 100, 3, ""), RecordKind::Unrecognised, "no name"},
    };
    for (const Case& c : cases) {
        uint8_t bytes[kRecordSize];
        ASSERT_TRUE(EncodeRecord(c.record, bytes)) << c.what;
        EXPECT_EQ(ClassifyRecord(bytes), c.expected) << c.what;
    }

    // Bytes after a terminator are not what this tool writes.
    uint8_t bytes[kRecordSize];
    ASSERT_TRUE(EncodeRecord(MakeRecord(1, kMd5, 100, 3, "f"), bytes));
    ASSERT_EQ(ClassifyRecord(bytes), RecordKind::Stamped);
    bytes[40] = 'x';
    EXPECT_EQ(ClassifyRecord(bytes), RecordKind::Unrecognised) << "after the checksum";
    bytes[40] = 0;
    bytes[kRecordSize - 1] = 'x';
    EXPECT_EQ(ClassifyRecord(bytes), RecordKind::Unrecognised) << "after the name";
    bytes[kRecordSize - 1] = 0;
    std::memset(bytes + 96, 'n', kOutputNameField);
    EXPECT_EQ(ClassifyRecord(bytes), RecordKind::Unrecognised) << "unterminated name";
}

// ---- The name record ------------------------------------------------------

TEST(NameRecord, LayoutAndWhatDecodes) {
    uint8_t bytes[kNameRecordSize];
    std::memset(bytes, '#', sizeof bytes);
    const std::string name = "\xE5\xA0\xB1\xE5\x91\x8A.txt";  // 報告.txt
    ASSERT_TRUE(EncodeNameRecord(name, bytes));
    EXPECT_EQ(std::memcmp(bytes, "\x0A\0\0\0", 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 4, name.data(), name.size()), 0);
    for (size_t i = 4 + name.size(); i < kNameRecordSize; ++i) ASSERT_EQ(bytes[i], 0) << i;
    std::string decoded;
    ASSERT_TRUE(DecodeNameRecord(bytes, &decoded));
    EXPECT_EQ(decoded, name);

    // The template (length 0), a length beyond the field, a zero or bad
    // UTF-8 inside: no name.
    uint8_t other[kNameRecordSize] = {};
    EXPECT_FALSE(DecodeNameRecord(other, &decoded));
    std::memcpy(other, bytes, sizeof other);
    other[0] = static_cast<uint8_t>(kNameTextField);
    other[1] = 0;
    EXPECT_FALSE(DecodeNameRecord(other, &decoded));
    std::memcpy(other, bytes, sizeof other);
    other[5] = 0;
    EXPECT_FALSE(DecodeNameRecord(other, &decoded));
    other[5] = 0xFF;
    EXPECT_FALSE(DecodeNameRecord(other, &decoded));
    // Too long, empty, or with a zero: not encoded.
    EXPECT_FALSE(EncodeNameRecord(std::string(kNameTextField, 'n'), bytes));
    EXPECT_TRUE(EncodeNameRecord(std::string(kNameTextField - 1, 'n'), bytes));
    EXPECT_FALSE(EncodeNameRecord("", bytes));
    EXPECT_FALSE(EncodeNameRecord(std::string("a\0b", 3), bytes));
}

// The exact name is the name record's only when its stand-in is the
// record's name; else the record's own, converted to UTF-8.
TEST(NameRecord, TheExactNameBelongsToTheRecord) {
    JoinRecord record = MakeRecord(1, kMd5, 10, 2, "___ a\xF1o.bin");
    uint8_t bytes[kRecordSize];
    ASSERT_TRUE(EncodeRecord(record, bytes));
    uint8_t name[kNameRecordSize];
    const std::string cyrillic = "\xD0\x96\xD0\x96\xD0\x96 a\xC3\xB1o.bin";
    ASSERT_TRUE(EncodeNameRecord(cyrillic, name));
    std::string exact;
    ASSERT_TRUE(ExactOutputName(bytes, name, &exact));
    EXPECT_EQ(exact, cyrillic);
    ASSERT_TRUE(ExactOutputName(bytes, nullptr, &exact));
    EXPECT_EQ(exact, "___ a\xC3\xB1o.bin");
    // Another name of another stand-in (a stale name record): the record's.
    ASSERT_TRUE(EncodeNameRecord("\xD0\x96\xD0\x96 a\xC3\xB1o.bin", name));
    ASSERT_TRUE(ExactOutputName(bytes, name, &exact));
    EXPECT_EQ(exact, "___ a\xC3\xB1o.bin");
    // A name that is no plain name, in either record.
    for (const char* bad : {"a/b", "x\xC2\x81", "end.", ".."}) {
        ASSERT_TRUE(EncodeNameRecord(bad, name));
        std::string standIn;
        ASSERT_TRUE(Utf8ToWindows1252StandIn(bad, &standIn));
        record = MakeRecord(1, kMd5, 10, 2, standIn.c_str());
        ASSERT_TRUE(EncodeRecord(record, bytes));
        EXPECT_FALSE(ExactOutputName(bytes, name, &exact)) << bad;
    }
}

}  // namespace

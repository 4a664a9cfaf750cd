// The splitter's pure parts: the record's bytes, the Windows-1252 names, the
// cut and the part names.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "join/part_name.h"
#include "platform/cp1252.h"
#include "tools/split/names.h"
#include "tools/split/options.h"
#include "tools/split/plan.h"
#include "record/classify.h"
#include "tools/split/report.h"

namespace {

std::vector<uint8_t> ReadTemplate() {
    std::vector<uint8_t> bytes(kRecordSize + 1);
    FILE* file = std::fopen(JOINDESC_FILE, "rb");
    if (file == nullptr) return {};
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

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

// ---- The record ----------------------------------------------------------

TEST(SplitRecord, LayoutIsPackedLittleEndianAndZeroFilled) {
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

TEST(SplitRecord, EncodingRefusesUnterminatedTexts) {
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

TEST(SplitRecord, TheShippedTemplateIsRecognised) {
    std::vector<uint8_t> bytes = ReadTemplate();
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

TEST(SplitRecord, PlausibleStampedRecordsAreAcceptedAndOthersNot) {
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

// ---- Windows-1252 names --------------------------------------------------

std::string EncodeUtf8(uint32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// The C library's own converter, as an independent reference.
int IconvToWindows1252(iconv_t converter, const std::string& utf8, std::string* out) {
    char result[16];
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outAt = result;
    size_t outLeft = sizeof result;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &in, &inLeft, &outAt, &outLeft) == static_cast<size_t>(-1)) return 0;
    out->assign(result, static_cast<size_t>(outAt - result));
    return 1;
}

TEST(SplitWindows1252, EveryCharacterConvertsAsTheCLibraryDoes) {
    iconv_t converter = iconv_open("WINDOWS-1252", "UTF-8");
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    int representable = 0;
    for (uint32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string utf8 = EncodeUtf8(c);
        // The C library drops the tag characters silently; they have no byte.
        if (c >= 0xE0000 && c <= 0xE007F) {
            std::string ours;
            ASSERT_FALSE(Utf8ToWindows1252(utf8.data(), utf8.size(), &ours, nullptr, nullptr));
            continue;
        }
        std::string ours;
        std::string theirs;
        NameProblem problem = NameProblem::None;
        int converted = Utf8ToWindows1252(utf8.data(), utf8.size(), &ours, &problem, nullptr);
        int reference = IconvToWindows1252(converter, utf8, &theirs);
        ASSERT_EQ(converted, reference) << std::hex << "U+" << c;
        if (converted) {
            ASSERT_EQ(ours, theirs) << std::hex << "U+" << c;
            ++representable;
        } else {
            ASSERT_EQ(problem, NameProblem::NotRepresentable) << std::hex << "U+" << c;
        }
    }
    iconv_close(converter);
    // 255 bytes have characters; 0x81, 0x8D, 0x8F, 0x90 and 0x9D do not.
    EXPECT_EQ(representable, 255 - 5);
}

TEST(SplitWindows1252, NamesConvertWholeOrNotAtAll) {
    std::string out = "untouched";
    const char name[] = "A\xC3\xB1o \xE2\x82\xAC.txt";
    ASSERT_TRUE(Utf8ToWindows1252(name, std::strlen(name), &out, nullptr, nullptr));
    EXPECT_EQ(out, "A\xF1o \x80.txt");

    NameProblem problem = NameProblem::None;
    size_t offset = 99;
    const char japanese[] = "ab\xE6\x97\xA5.bin";  // U+65E5
    EXPECT_FALSE(Utf8ToWindows1252(japanese, std::strlen(japanese), &out, &problem, &offset));
    EXPECT_EQ(problem, NameProblem::NotRepresentable);
    EXPECT_EQ(offset, 2u);
    EXPECT_EQ(out, "A\xF1o \x80.txt");
}

TEST(SplitWindows1252, MalformedUtf8IsRefusedWhereItStarts) {
    const struct {
        const char* text;
        size_t offset;
    } cases[] = {
        {"a\x80", 1},                  // a lone continuation byte
        {"ab\xC3", 2},                 // cut after the lead byte
        {"\xE2\x82", 0},               // cut inside a three-byte sequence
        {"x\xC3(", 1},                 // a lead byte without its continuation
        {"\xC0\x80", 0},               // overlong NUL
        {"\xC1\xBF", 0},               // overlong U+007F
        {"\xE0\x80\xAF", 0},           // overlong '/'
        {"\xF0\x80\x80\xAF", 0},       // overlong in four bytes
        {"\xED\xA0\x80", 0},           // a surrogate
        {"\xF4\x90\x80\x80", 0},       // above U+10FFFF
        {"ok\xF8\x88\x80\x80\x80", 2}, // five-byte form
        {"\xFF", 0},
    };
    for (const auto& c : cases) {
        std::string out;
        NameProblem problem = NameProblem::None;
        size_t offset = 99;
        EXPECT_FALSE(Utf8ToWindows1252(c.text, std::strlen(c.text), &out, &problem, &offset))
            << c.text;
        EXPECT_EQ(problem, NameProblem::InvalidUtf8) << c.text;
        EXPECT_EQ(offset, c.offset) << c.text;
    }
}

// ---- Names shown in messages ---------------------------------------------

TEST(SplitMessages, NamesAreShownWithoutWhatATerminalWouldActOn) {
    const struct {
        std::string name;
        const char* shown;
    } cases[] = {
        // Printable text in any script stays as it is, backslashes too.
        {"A\xC3\xB1o caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80.bin",
         "A\xC3\xB1o caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80.bin"},
        {"C:\\data\\x.bin", "C:\\data\\x.bin"},
        // Escape, the other C0 controls, DEL and the C1 controls.
        {"a\x1b[2Jb", "a\\x1b[2Jb"},
        {"tab\there\r\n", "tab\\x09here\\x0d\\x0a"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"del\x7F", "del\\x7f"},
        {"csi\xC2\x9B" "31m", "csi\\u009b31m"},
        // Characters that reorder or break the line.
        {"invoice\xE2\x80\xAEtxt.exe", "invoice\\u202etxt.exe"},
        {"x\xE2\x81\xA6y\xE2\x80\xA8z\xE2\x80\x8F", "x\\u2066y\\u2028z\\u200f"},
        // Invalid UTF-8: every byte that starts no valid sequence.
        {"bad\xFF.bin", "bad\\xff.bin"},
        {"over\xC0\xAElong", "over\\xc0\\xaelong"},
        {"cut\xE6\x97", "cut\\xe6\\x97"},
        {"lone\xED\xA0\x80", "lone\\xed\\xa0\\x80"},
        {"big\xF4\x90\x80\x80", "big\\xf4\\x90\\x80\\x80"},
        {"\x80\xC3\xA9", "\\x80\xC3\xA9"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShowName(c.name), c.shown) << c.shown;
}

// ---- The cut -----------------------------------------------------------

std::vector<uint64_t> Sizes(const SplitPlan& plan) {
    std::vector<uint64_t> sizes;
    for (uint32_t i = 0; i < plan.partCount; ++i) sizes.push_back(PartSize(plan, i));
    return sizes;
}

TEST(SplitPlan, ByCountGivesTheRemainderToTheLastPart) {
    SplitPlan plan;
    PlanProblem problem;
    // size / count bytes each, the remainder in the last part.
    ASSERT_TRUE(PlanByCount(10, 3, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{3, 3, 4}));
    ASSERT_TRUE(PlanByCount(17, 5, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{3, 3, 3, 3, 5}));
    ASSERT_TRUE(PlanByCount(10, 4, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{2, 2, 2, 4}));
    ASSERT_TRUE(PlanByCount(12, 4, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{3, 3, 3, 3}));
    ASSERT_TRUE(PlanByCount(5, 5, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{1, 1, 1, 1, 1}));

    // Beyond 32 bits.
    ASSERT_TRUE(PlanByCount((5ull << 30) + 2, 3, &plan, &problem));
    EXPECT_EQ(plan.partSize, 1789569707ull);
    EXPECT_EQ(plan.lastSize, 1789569708ull);
    EXPECT_EQ(plan.partSize * 2 + plan.lastSize, (5ull << 30) + 2);
}

TEST(SplitPlan, BySizeLeavesTheLastPartShort) {
    SplitPlan plan;
    PlanProblem problem;
    ASSERT_TRUE(PlanBySize(10000, 1024, &plan, &problem));
    EXPECT_EQ(plan.partCount, 10u);
    EXPECT_EQ(PartSize(plan, 8), 1024u);
    EXPECT_EQ(PartSize(plan, 9), 784u);
    ASSERT_TRUE(PlanBySize(4096 * 5, 4096, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>(5, 4096)));
    ASSERT_TRUE(PlanBySize(2, 1, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{1, 1}));
    ASSERT_TRUE(PlanBySize(5ull << 30, 1ull << 30, &plan, &problem));
    EXPECT_EQ(plan.partCount, 5u);
    EXPECT_EQ(plan.lastSize, 1ull << 30);
}

TEST(SplitPlan, ImpossibleCutsAreRefused) {
    SplitPlan plan;
    PlanProblem problem = PlanProblem::None;
    const struct {
        bool byCount;
        uint64_t fileSize;
        uint64_t value;
        PlanProblem expected;
    } cases[] = {
        {true, 0, 2, PlanProblem::EmptyFile},
        {false, 0, 1, PlanProblem::EmptyFile},
        {true, 100, 1, PlanProblem::TooFewParts},
        {true, 100, 0, PlanProblem::TooFewParts},
        {false, 100, 100, PlanProblem::TooFewParts},
        {false, 100, 1000, PlanProblem::TooFewParts},
        {false, 100, 0, PlanProblem::ZeroPartSize},
        {true, 100, 101, PlanProblem::MorePartsThanBytes},
        // More than kMaxPartCount parts, however many bytes there are.
        {true, 1ull << 40, 10001, PlanProblem::TooManyParts},
        {true, 5000, 10001, PlanProblem::TooManyParts},
        {true, 1ull << 40, 4294967295u, PlanProblem::TooManyParts},
        {true, 1ull << 40, 1ull << 32, PlanProblem::TooManyParts},
        {false, 100001, 10, PlanProblem::TooManyParts},
        {false, (1ull << 32) + 1, 1, PlanProblem::TooManyParts},
    };
    for (const auto& c : cases) {
        bool planned = c.byCount ? PlanByCount(c.fileSize, c.value, &plan, &problem)
                                 : PlanBySize(c.fileSize, c.value, &plan, &problem);
        EXPECT_FALSE(planned) << c.fileSize << " " << c.value;
        EXPECT_EQ(problem, c.expected) << c.fileSize << " " << c.value;
    }
    // The limit itself is accepted.
    EXPECT_TRUE(PlanBySize(100000, 10, &plan, &problem));
    EXPECT_EQ(plan.partCount, kMaxPartCount);
    EXPECT_TRUE(PlanByCount(1ull << 40, kMaxPartCount, &plan, &problem));
}

TEST(SplitPlan, ByteCountsWithSuffixes) {
    const struct {
        const char* text;
        uint64_t value;
    } good[] = {
        {"0", 0},          {"1", 1},
        {"1K", 1024},      {"3m", 3u << 20},
        {"2G", 2ull << 30}, {"007k", 7168},
        {"18446744073709551615", 18446744073709551615ull},
        {"17179869183G", 17179869183ull << 30},
    };
    for (const auto& c : good) {
        uint64_t value = 12345;
        EXPECT_TRUE(ParseByteCount(c.text, &value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
    const char* bad[] = {"", "K", "1KB", "-1", "+1", "1.5M", " 1", "1 ", "1T", "0x10",
                         "18446744073709551616", "17179869184G", "99999999999999999999"};
    for (const char* text : bad) {
        uint64_t value = 12345;
        EXPECT_FALSE(ParseByteCount(text, &value)) << text;
        EXPECT_EQ(value, 12345u) << text;
    }
}

// ---- Part names ----------------------------------------------------------

TEST(SplitPartNames, DigitsFollowTheJoinersRule) {
    const struct {
        uint32_t count;
        uint32_t index;
        const char* suffix;
    } cases[] = {
        {2, 0, "__000"},          {2, 1, "__001"},
        {1000, 999, "__999"},     {1001, 0, "__0000"},
        {1001, 1000, "__1000"},   {20000, 12345, "__12345"},
        {4294967295u, 4294967294u, "__4294967294"},
    };
    for (const auto& c : cases) {
        std::string suffix;
        ASSERT_TRUE(PartSuffix("f.bin", c.count, c.index, &suffix)) << c.count;
        EXPECT_EQ(suffix, c.suffix) << c.count << " " << c.index;

        // The joiner names the same file.
        char name[kNameCapacity];
        ASSERT_TRUE(FormatPartName("f.bin", c.count, c.index, name));
        EXPECT_EQ(std::string(name), "f.bin" + suffix);
    }
}

TEST(SplitPartNames, NamesLongerThan519CharactersAreRefused) {
    std::string suffix;
    // 514 + "__999" = 519 characters fit; one more does not.
    EXPECT_TRUE(PartSuffix(std::string(514, '\xE9'), 1000, 999, &suffix));
    EXPECT_EQ(suffix, "__999");
    EXPECT_FALSE(PartSuffix(std::string(515, '\xE9'), 1000, 999, &suffix));
    // Four digits above 1000 parts, five from index 10000.
    EXPECT_TRUE(PartSuffix(std::string(513, 'n'), 1001, 1000, &suffix));
    EXPECT_FALSE(PartSuffix(std::string(514, 'n'), 1001, 1000, &suffix));
    EXPECT_TRUE(PartSuffix(std::string(512, 'n'), 10001, 10000, &suffix));
    EXPECT_FALSE(PartSuffix(std::string(513, 'n'), 10001, 10000, &suffix));
    EXPECT_TRUE(PartSuffix(std::string(513, 'n'), 10001, 9999, &suffix));
    // Beyond the record's name field, and names that cannot be texts.
    EXPECT_FALSE(PartSuffix(std::string(700, 'n'), 2, 0, &suffix));
    EXPECT_FALSE(PartSuffix("", 2, 0, &suffix));
    EXPECT_FALSE(PartSuffix(std::string("a\0b", 3), 2, 0, &suffix));
}

}  // namespace

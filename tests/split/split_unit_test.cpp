// The splitter's pure parts: the names a file may be cut under, the cut, a
// size as people type it, and the part names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "format/part_name.h"
#include "split/byte_count.h"
#include "split/names.h"
#include "split/plan.h"

namespace {

// ---- Names ---------------------------------------------------------------

TEST(SplitNames, DeviceNamesAndNamesWindowsShortenAreRefused) {
    const struct {
        const char* name;
        SplitCause cause;
    } refused[] = {
        {"CON", SplitCause::DeviceName},          {"con.txt", SplitCause::DeviceName},
        {"Prn", SplitCause::DeviceName},          {"aux.tar.gz", SplitCause::DeviceName},
        {"NUL", SplitCause::DeviceName},          {"nul .log", SplitCause::DeviceName},
        {"COM1", SplitCause::DeviceName},         {"com9.x", SplitCause::DeviceName},
        {"LPT1", SplitCause::DeviceName},         {"lpt5.log", SplitCause::DeviceName},
        {"CONIN$", SplitCause::DeviceName},       {"conout$.txt", SplitCause::DeviceName},
        {"COM\xC2\xB9", SplitCause::DeviceName}, {"LPT\xC2\xB2", SplitCause::DeviceName},
        {"lpt\xC2\xB3.bin", SplitCause::DeviceName},
        {"data.", SplitCause::DroppedEnd},        {"note ", SplitCause::DroppedEnd},
        {"a.b. ", SplitCause::DroppedEnd},
    };
    for (const auto& c : refused) {
        SplitFailure failure;
        EXPECT_FALSE(CheckWindowsName(c.name, &failure)) << c.name;
        EXPECT_EQ(failure.cause, c.cause) << c.name;
        EXPECT_EQ(failure.name, c.name);
    }
    for (const char* name : {"COM0", "COM10", "LPT", "CONX", "console", ".nul", "nul_", "x.nul",
                             "aux-data.bin", "COM\xC2\xB4", "file.txt", ".hidden"}) {
        SplitFailure failure;
        EXPECT_TRUE(CheckWindowsName(name, &failure)) << name;
    }
}

TEST(SplitNames, ConversionSaysWhatIsWrongAndWhere) {
    std::string cp1252;
    bool standIn = true;
    SplitFailure failure;
    ASSERT_TRUE(ConvertName("caf\xC3\xA9 \xE2\x82\xAC", &cp1252, &standIn, &failure));
    EXPECT_EQ(cp1252, "caf\xE9 \x80");
    EXPECT_FALSE(standIn);
    const struct {
        const char* name;
        SplitCause cause;
        uint64_t at;
    } cases[] = {
        {"ab\xFF", SplitCause::NameNotUtf8, 2},
        {"tab\there", SplitCause::NameNotAllowed, 0},
        {"\xD0\x96\x1B.bin", SplitCause::NameNotAllowed, 0},  // a control after Cyrillic
        {"c1\xC2\x85.bin", SplitCause::NameNotAllowed, 0},     // U+0085, a C1 control
        {"a<b", SplitCause::NameNotAllowed, 0},  {"a>b", SplitCause::NameNotAllowed, 0},
        {"a:b", SplitCause::NameNotAllowed, 0},  {"a\"b", SplitCause::NameNotAllowed, 0},
        {"a\\b", SplitCause::NameNotAllowed, 0}, {"a|b", SplitCause::NameNotAllowed, 0},
        {"a?b", SplitCause::NameNotAllowed, 0},  {"\xE6\x97\xA5*b", SplitCause::NameNotAllowed, 0},
    };
    for (const auto& c : cases) {
        failure = SplitFailure();
        EXPECT_FALSE(ConvertName(c.name, &cp1252, &standIn, &failure)) << c.name;
        EXPECT_EQ(failure.cause, c.cause) << c.name;
        EXPECT_EQ(failure.number, c.at) << c.name;
        EXPECT_EQ(failure.name, c.name);
    }
}

// A name with characters Windows-1252 lacks gets a stand-in for the record:
// an underscore per character (not per byte), the others kept.
TEST(SplitNames, NamesInOtherScriptsGetAStandIn) {
    const struct {
        const char* name;
        const char* standIn;
    } cases[] = {
        {"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 a\xC3\xB1o.bin", "_____ a\xF1o.bin"},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "___.txt"},
        {"x\xF0\x9F\x98\x80\xE2\x82\xAC", "x_\x80"},  // an emoji, the euro sign
    };
    for (const auto& c : cases) {
        std::string cp1252;
        bool standIn = false;
        SplitFailure failure;
        ASSERT_TRUE(ConvertName(c.name, &cp1252, &standIn, &failure)) << c.name;
        EXPECT_TRUE(standIn) << c.name;
        EXPECT_EQ(cp1252, c.standIn);
    }
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

// Sizes as people type them: K, M, G and KiB, MiB, GiB by 1024, KB, MB, GB
// by 1000, in any case; the reason for anything else.
TEST(SplitPlan, ByteCountsWithUnits) {
    const struct {
        const char* text;
        uint64_t value;
    } good[] = {
        {"0", 0},          {"1", 1},
        {"1K", 1024},      {"3m", 3u << 20},
        {"2G", 2ull << 30}, {"007k", 7168},
        {"1KB", 1000},     {"10mb", 10000000},
        {"1gB", 1000000000}, {"100KiB", 102400},
        {"2mib", 2u << 20}, {"1GIB", 1u << 30},
        {"5Kib", 5120},
        {"18446744073709551615", 18446744073709551615ull},
        {"17179869183G", 17179869183ull << 30},
        {"18446744073GB", 18446744073000000000ull},
    };
    for (const auto& c : good) {
        uint64_t value = 12345;
        ByteCountProblem problem = ByteCountProblem::TooLarge;
        EXPECT_TRUE(ParseByteCount(c.text, &value, &problem)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(problem, ByteCountProblem::None) << c.text;
    }
    const struct {
        const char* text;
        ByteCountProblem problem;
    } bad[] = {
        {"", ByteCountProblem::NoNumber},       {"K", ByteCountProblem::NoNumber},
        {"-1", ByteCountProblem::NoNumber},     {"+1", ByteCountProblem::NoNumber},
        {" 1", ByteCountProblem::NoNumber},     {"KiB", ByteCountProblem::NoNumber},
        {"1.5M", ByteCountProblem::UnknownUnit}, {"1 ", ByteCountProblem::UnknownUnit},
        {"1 M", ByteCountProblem::UnknownUnit}, {"1T", ByteCountProblem::UnknownUnit},
        {"0x10", ByteCountProblem::UnknownUnit}, {"1B", ByteCountProblem::UnknownUnit},
        {"1Ki", ByteCountProblem::UnknownUnit}, {"1KiBs", ByteCountProblem::UnknownUnit},
        {"1KBB", ByteCountProblem::UnknownUnit}, {"1MiB ", ByteCountProblem::UnknownUnit},
        {"1iB", ByteCountProblem::UnknownUnit}, {"1kK", ByteCountProblem::UnknownUnit},
        {"99999999999999999999x", ByteCountProblem::UnknownUnit},
        {"18446744073709551616", ByteCountProblem::TooLarge},
        {"17179869184G", ByteCountProblem::TooLarge},
        {"17179869184GiB", ByteCountProblem::TooLarge},
        {"18446744074GB", ByteCountProblem::TooLarge},
        {"99999999999999999999", ByteCountProblem::TooLarge},
        {"99999999999999999999k", ByteCountProblem::TooLarge},
    };
    for (const auto& c : bad) {
        uint64_t value = 12345;
        ByteCountProblem problem = ByteCountProblem::None;
        EXPECT_FALSE(ParseByteCount(c.text, &value, &problem)) << c.text;
        EXPECT_EQ(value, 12345u) << c.text;
        EXPECT_EQ(problem, c.problem) << c.text;
    }
}

// ---- Part names ----------------------------------------------------------

// The suffix is the joiner's own rule (format/part_name.h) after the name, for
// counts on both sides of every change of width.
TEST(SplitPartNames, TheSuffixIsWhatTheJoinerPutsAfterTheName) {
    for (uint32_t count : {2u, 1000u, 1001u, 10001u, 4294967295u}) {
        for (uint32_t index : {0u, count / 2, count - 1}) {
            std::string suffix;
            ASSERT_TRUE(PartSuffix("f.bin", count, index, &suffix)) << count;
            char name[kNameCapacity];
            ASSERT_TRUE(FormatPartName("f.bin", count, index, name));
            EXPECT_EQ("f.bin" + suffix, name) << count << " " << index;
        }
    }
}

TEST(SplitPartNames, NamesLongerThan519CharactersAreRefused) {
    std::string suffix;
    // 514 + "__999" = 519 characters fit; one more does not.
    EXPECT_TRUE(PartSuffix(std::string(514, '\xE9'), 1000, 999, &suffix));
    EXPECT_EQ(suffix, "__999");
    EXPECT_FALSE(PartSuffix(std::string(515, '\xE9'), 1000, 999, &suffix));
    EXPECT_TRUE(PartSuffix(std::string(512, 'n'), 10001, 10000, &suffix));
    EXPECT_FALSE(PartSuffix(std::string(513, 'n'), 10001, 10000, &suffix));
    // Beyond the record's name field, and names that cannot be texts.
    EXPECT_FALSE(PartSuffix(std::string(700, 'n'), 2, 0, &suffix));
    EXPECT_FALSE(PartSuffix("", 2, 0, &suffix));
    EXPECT_FALSE(PartSuffix(std::string("a\0b", 3), 2, 0, &suffix));
}

}  // namespace

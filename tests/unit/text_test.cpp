// The bounded text operations and the part names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "join/join_state.h"
#include "join/part_name.h"
#include "join/text.h"

namespace {

TEST(FormatText, FitsCutsOrRefuses) {
    char buffer[30];
    EXPECT_EQ(FormatText(buffer, sizeof buffer, "%s %u", "parte", 7u), TextResult::Ok);
    EXPECT_STREQ(buffer, "parte 7");

    // 40 characters into 30: the first 29 and a terminator.
    const char* forty = "0123456789012345678901234567890123456789";
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(FormatText(buffer, sizeof buffer, "%s", forty), TextResult::Truncated);
    EXPECT_EQ(std::string(buffer), std::string(forty, 29));

    // Exactly capacity - 1 characters fit; capacity characters do not.
    EXPECT_EQ(FormatText(buffer, 5, "%s", "abcd"), TextResult::Ok);
    EXPECT_EQ(FormatText(buffer, 5, "%s", "abcde"), TextResult::Truncated);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(FormatText(buffer, 1, "%s", "abc"), TextResult::Truncated);
    EXPECT_STREQ(buffer, "");

    // An invalid capacity leaves the buffer untouched.
    std::strcpy(buffer, "kept");
    EXPECT_EQ(FormatText(buffer, 0, "%s", "x"), TextResult::InvalidArgument);
    EXPECT_EQ(FormatText(buffer, kMaxTextCapacity + 1, "%s", "x"), TextResult::InvalidArgument);
    EXPECT_STREQ(buffer, "kept");
}

TEST(FormatText, ConversionsInUse) {
    char buffer[64];
    FormatText(buffer, sizeof buffer, "%03u|%04u|%04u|%llu", 7u, 12u, 123456u,
               18446744073709551615ull);
    EXPECT_STREQ(buffer, "007|0012|123456|18446744073709551615");
    // Windows-1252 bytes pass through unchanged.
    FormatText(buffer, sizeof buffer, "Tamaño : %s bytes.", "1");
    EXPECT_STREQ(buffer, "Tama\xF1o : 1 bytes.");
}

TEST(FormatSize, GroupsOfThreeWithFullStops) {
    const struct {
        uint64_t value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {7, "7"},
        {999, "999"},
        {1000, "1.000"},
        {12345, "12.345"},
        {123456, "123.456"},
        {1000000, "1.000.000"},
        {1234567, "1.234.567"},
        {4294967296ull, "4.294.967.296"},
        {18446744073709551615ull, "18.446.744.073.709.551.615"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(FormatSize(c.value).text, c.text) << c.value;
    }
}

// ---- The part-name rule (join/part_name.h) ---------------------------------

std::string Name(const char* output, uint32_t count, uint32_t index, int* whole = nullptr) {
    char name[kNameCapacity];
    int result = FormatPartName(output, count, index, name);
    if (whole != nullptr) *whole = result;
    return name;
}

TEST(PartNames, WidthFollowsThePartCount) {
    EXPECT_EQ(Name("video.avi", 2, 0), "video.avi__000");
    EXPECT_EQ(Name("video.avi", 2, 1), "video.avi__001");
    EXPECT_EQ(Name("video.avi", 1000, 999), "video.avi__999");
    EXPECT_EQ(Name("video.avi", 1001, 0), "video.avi__0000");
    EXPECT_EQ(Name("video.avi", 1001, 1000), "video.avi__1000");
    EXPECT_EQ(Name("video.avi", 100000, 12345), "video.avi__12345");
    EXPECT_EQ(Name("video.avi", 100000, 99999), "video.avi__99999");
}

TEST(PartNames, TellWhenTheNameWasCut) {
    // 514 + 5 = 519 characters fit; one more does not.
    std::string base(514, 'n');
    int whole = -1;
    EXPECT_EQ(Name(base.c_str(), 3, 2, &whole), base + "__002");
    EXPECT_NE(whole, 0);

    base.push_back('n');
    std::string cut = Name(base.c_str(), 3, 2, &whole);
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(cut.size(), 519u);
    EXPECT_EQ(cut, base + "__00");

    // Four-digit suffixes leave one character less for the base.
    base.pop_back();
    Name(base.c_str(), 1001, 0, &whole);
    EXPECT_EQ(whole, 0);
}

TEST(PartNames, NeverReadPastTheNameField) {
    // An unterminated 626-byte field followed by bytes that must not appear.
    std::string field(626, 'x');
    field += "OUTSIDE";
    int whole = -1;
    std::string name = Name(field.c_str(), 2, 0, &whole);
    EXPECT_EQ(whole, 0);
    EXPECT_EQ(name.find("OUT"), std::string::npos);
}

TEST(PartNames, NoOutputNameGivesNoName) {
    int whole = -1;
    EXPECT_EQ(Name(nullptr, 2, 0, &whole), "");
    EXPECT_EQ(whole, 0);
}

// The job's part names are the rule's over its record's name and count.
TEST(PartNames, TheJobsFollowItsRecord) {
    g_join = JoinState{};
    g_join.outputName = "video.avi";
    g_join.partCount = 1001;
    char name[kNameCapacity];
    EXPECT_NE(PartName(7, name), 0);
    EXPECT_STREQ(name, "video.avi__0007");
    g_join = JoinState{};
}

}  // namespace

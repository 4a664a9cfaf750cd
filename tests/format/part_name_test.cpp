// The part-name rule (format/part_name.h), and the job's names by it.
#include <gtest/gtest.h>

#include <string>

#include "format/part_name.h"

namespace {

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

}  // namespace

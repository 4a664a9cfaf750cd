// The bounded text operations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/text.h"

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
    // The program's UTF-8 passes through unchanged.
    FormatText(buffer, sizeof buffer, "Tamaño : %s bytes.", "1");
    EXPECT_STREQ(buffer, "Tama\xC3\xB1o : 1 bytes.");
}

}  // namespace

// Numbers as the programs show them, one rule each for the joiner and the
// splitter's window: grouped digits, short sizes, the clock and the time
// still to go.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "text/numbers.h"

namespace {

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

TEST(ShortSize, TheLargestUnitReachedWithOneDecimal) {
    EXPECT_EQ(ShortSize(0), "0 bytes");
    EXPECT_EQ(ShortSize(1), "1 byte");
    EXPECT_EQ(ShortSize(1023), "1023 bytes");
    EXPECT_EQ(ShortSize(1024), "1,0 KiB");
    EXPECT_EQ(ShortSize(6815744), "6,5 MiB");
    EXPECT_EQ(ShortSize((1u << 20) - 1), "1,0 MiB");  // 1023,999 KiB rounds up a unit
    EXPECT_EQ(ShortSize(4294967295u), "4,0 GiB");
    EXPECT_EQ(ShortSize(15321324), "14,6 MiB");
    EXPECT_EQ(ShortSize(1024000), "1.000,0 KiB");
    EXPECT_EQ(ShortSize(1536ull << 50), "1,5 EiB");
    EXPECT_EQ(ShortSize(UINT64_MAX), "16,0 EiB");
}

TEST(FormatClock, HoursMinutesAndSecondsWithoutADayLimit) {
    EXPECT_STREQ(FormatClock(0).text, "00:00:00");
    EXPECT_STREQ(FormatClock(59).text, "00:00:59");
    EXPECT_STREQ(FormatClock(3600).text, "01:00:00");
    EXPECT_STREQ(FormatClock(3 * 3600 + 25 * 60 + 7).text, "03:25:07");
    EXPECT_STREQ(FormatClock(360000).text, "100:00:00");
    // The joiner's 32-bit tick at its end.
    EXPECT_STREQ(FormatClock(0xFFFFFFFFu / 1000).text, "1193:02:47");
    EXPECT_STREQ(FormatClock(UINT64_MAX).text, "5124095576030431:00:15");
}

TEST(EstimateRemaining, TheTimePerByteSoFarAppliedToTheRest) {
    EXPECT_EQ(EstimateRemaining(10000, 500, 1000), 10000u);
    EXPECT_EQ(EstimateRemaining(5000, 50, 100), 5000u);
    EXPECT_EQ(EstimateRemaining(3, 1, 1000), 2997u);
    EXPECT_EQ(EstimateRemaining(1001, 50, 100), 1001u) << "cut to the millisecond, shown cut to the second";
    EXPECT_EQ(EstimateRemaining(10000, 1000, 1000), 0u);
    EXPECT_EQ(EstimateRemaining(10000, 0, 1000), 0u) << "nothing done yet";
    EXPECT_EQ(EstimateRemaining(10000, 1500, 1000), 0u) << "parts grew: no negative time";
    // Beyond 32 bits, and beyond 64 bits in the product of the times.
    EXPECT_EQ(EstimateRemaining(0xFFFFFFFFu, 1, 3), 0x1FFFFFFFEull);
    EXPECT_EQ(EstimateRemaining(4000000000u, 1u << 20, (1ull << 40) + (1u << 20)),
              4000000000ull * 1048576);
    EXPECT_EQ(EstimateRemaining(0xFFFFFFFFu, 1, 1ull << 62), 0u) << "does not fit 64 bits";
}

}  // namespace

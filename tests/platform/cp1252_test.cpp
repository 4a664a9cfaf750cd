#include <gtest/gtest.h>

#include <string>

#include "platform/cp1252.h"
#include "tests/support/utf8.h"

// Each byte's unit is the character that the UTF-8 conversion (checked
// against the C library's) gives the byte; the five unassigned bytes are the
// C1 controls of the same number; and exactly the 256 units of the bytes
// convert back, each to its own byte.
TEST(Windows1252Utf16, EveryByteIsOneUnitAndBack) {
    for (unsigned byte = 1; byte < 256; ++byte) {
        uint16_t unit = Windows1252ToUtf16Unit(static_cast<unsigned char>(byte));
        std::string utf8 = EncodeUtf8(unit);
        std::string back;
        bool unassigned = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        if (unassigned) {
            EXPECT_EQ(unit, byte);
        } else {
            ASSERT_TRUE(Utf8ToWindows1252(utf8.data(), utf8.size(), &back, nullptr, nullptr)) << byte;
            EXPECT_EQ(back, std::string(1, static_cast<char>(byte))) << byte;
        }
    }
    int convertible = 0;
    for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        int byte = Utf16UnitToWindows1252(static_cast<uint16_t>(unit));
        if (byte < 0) continue;
        ++convertible;
        ASSERT_LT(byte, 256);
        EXPECT_EQ(Windows1252ToUtf16Unit(static_cast<unsigned char>(byte)), unit) << std::hex << unit;
    }
    EXPECT_EQ(convertible, 256);
    EXPECT_EQ(Windows1252ToUtf16Unit(0x80), 0x20AC);
    EXPECT_EQ(Windows1252ToUtf16Unit(0xF1), 0x00F1);
    EXPECT_EQ(Utf16UnitToWindows1252(0x0441), -1);  // Cyrillic es
}

#include <windows.h>

#include <gtest/gtest.h>

#include "text/cp1252.h"

// The conversions agree with Windows' own for code page 1252, both ways, so
// a text reaches the wide calls as a Western system would read it.
TEST(Windows1252Utf16, AgreesWithTheSystemsConverter) {
    for (unsigned byte = 1; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        wchar_t out = 0;
        ASSERT_EQ(MultiByteToWideChar(1252, 0, &in, 1, &out, 1), 1) << byte;
        EXPECT_EQ(Windows1252ToUtf16Unit(static_cast<unsigned char>(byte)), out) << byte;
    }
    for (uint32_t unit = 1; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit < 0xE000) continue;
        wchar_t in = static_cast<wchar_t>(unit);
        char out = 0;
        BOOL defaulted = FALSE;
        int written = WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, &in, 1, &out, 1, nullptr, &defaulted);
        int expected = written == 1 && !defaulted ? static_cast<unsigned char>(out) : -1;
        ASSERT_EQ(Utf16UnitToWindows1252(static_cast<uint16_t>(unit)), expected) << std::hex << unit;
    }
}

// The Windows-1252 conversions of every program, natively and under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/cp1252.h"
#include "tests/support/utf8.h"

namespace {

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

// A text reaches the wide calls unit for unit, cut where the room ends.
TEST(Windows1252Utf16, TextsConvertUnitForUnitIntoTheRoomThereIs) {
    char16_t out[6];
    EXPECT_EQ(Windows1252ToUtf16("A\xF1o \x80", out, 6), 5u);
    EXPECT_EQ(std::u16string(out), u"A\u00F1o \u20AC");
    EXPECT_EQ(Windows1252ToUtf16("abcdefgh", out, 6), 5u);
    EXPECT_EQ(std::u16string(out), u"abcde");
    EXPECT_EQ(Windows1252ToUtf16("x", out, 1), 0u);
    EXPECT_EQ(out[0], u'\0');
    EXPECT_TRUE(Windows1252ToUtf16("Tama\xF1o \x81") == u"Tama\u00F1o \u0081");
    EXPECT_TRUE(Windows1252ToUtf16("").empty());
}

TEST(Windows1252, NamesConvertWholeOrNotAtAll) {
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

TEST(Windows1252, MalformedUtf8IsRefusedWhereItStarts) {
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

}  // namespace

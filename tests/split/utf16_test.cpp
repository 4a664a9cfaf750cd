// The UTF-8 and UTF-16 conversions of the Windows splitter, checked against
// the C library's iconv for every code point and on malformed input.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "tools/split/utf16.h"

namespace {

// The UTF-16 of valid UTF-8 text by iconv.
std::u16string ByIconv(const std::string& utf8) {
    iconv_t convert = iconv_open("UTF-16LE", "UTF-8");
    EXPECT_NE(convert, reinterpret_cast<iconv_t>(-1));
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* from = &in[0];
    char* to = &out[0];
    size_t left = in.size(), room = out.size();
    EXPECT_NE(iconv(convert, &from, &left, &to, &room), static_cast<size_t>(-1)) << utf8;
    iconv_close(convert);
    std::u16string units;
    for (size_t i = 0; i + 1 < out.size() - room; i += 2) {
        units.push_back(static_cast<char16_t>(static_cast<uint8_t>(out[i]) |
                                              static_cast<uint8_t>(out[i + 1]) << 8));
    }
    return units;
}

std::string Utf8Of(uint32_t code) {
    std::u16string units;
    if (code >= 0x10000) {
        units = {static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)),
                 static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF))};
    } else {
        units = {static_cast<char16_t>(code)};
    }
    return Utf16ToUtf8(units);
}

TEST(Utf16, EveryCodePointAgreesWithIconvBothWays) {
    // All code points but the surrogates, in blocks so iconv runs seldom.
    std::string block;
    std::u16string back;
    for (uint32_t code = 1; code <= 0x10FFFF; ++code) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        block += Utf8Of(code);
        if (block.size() > 60000 || code == 0x10FFFF) {
            std::u16string expected = ByIconv(block);
            ASSERT_EQ(Utf8ToUtf16(block, &back), 1) << "up to U+" << std::hex << code;
            ASSERT_TRUE(back == expected) << "up to U+" << std::hex << code;
            ASSERT_EQ(Utf16ToUtf8(expected), block) << "up to U+" << std::hex << code;
            block.clear();
        }
    }
}

TEST(Utf16, LoneSurrogatesCrossUtf8AndComeBackUnchanged) {
    // Windows names may hold them: a high one at the end, before another
    // character, a low one alone, and a low one before a high one.
    const std::u16string names[] = {
        {u'a', 0xD800},
        {0xDBFF, u'x', u'.', u'b'},
        {0xDC00},
        {0xDFFF, 0xD800, u'z'},
        {0xD83D, 0xDE00, 0xDE00},  // a pair, then a low one
    };
    for (const std::u16string& name : names) {
        std::string utf8 = Utf16ToUtf8(name);
        std::u16string back;
        ASSERT_EQ(Utf8ToUtf16(utf8, &back), 1);
        EXPECT_TRUE(back == name);
    }
    EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', 0xD800}), "a\xED\xA0\x80");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), "\xED\xB0\x80");
}

TEST(Utf16, MalformedUtf8IsRefusedAndLeavesTheOutputAlone) {
    const char* const bad[] = {
        "\x80",                  // a continuation alone
        "a\xC3",                 // truncated
        "\xE6\x97",              // truncated
        "\xC0\xAE",              // overlong dot
        "\xC1\xBF",              // overlong
        "\xE0\x80\xAF",          // overlong slash
        "\xF0\x8F\xBF\xBF",      // overlong U+FFFF
        "\xF4\x90\x80\x80",      // above U+10FFFF
        "\xF5\x80\x80\x80",      // no such lead byte
        "\xFF",                  //
        "\xC3\x28",              // a lead byte without its continuation
        "\xED\xA0\xBD\xED\xB8\x80",  // a pair as two surrogates: has a four-byte form
    };
    for (const char* text : bad) {
        std::u16string out = u"kept";
        EXPECT_EQ(Utf8ToUtf16(text, &out), 0) << text;
        EXPECT_TRUE(out == u"kept");
    }
}

}  // namespace

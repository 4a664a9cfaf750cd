// The one UTF-8 decoder and encoder, and the UTF-16 conversions of the
// Windows programs: names with lone surrogates, malformed input, and what
// each reader of UTF-8 takes.
#include <gtest/gtest.h>

#include <string>

#include "text/cp1252.h"
#include "text/show.h"
#include "text/unicode.h"

namespace {

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

// The one decoder reads a surrogate's three bytes as a character only where
// a Windows name is carried to the system: the Windows-1252 conversion and
// the names shown on a terminal refuse them as invalid UTF-8, byte by byte.
TEST(Utf8, ASurrogateIsCarriedOnlyWhereAWindowsNameIsOnItsWay) {
    const char lone[] = "\xED\xA0\x80";
    uint32_t code = 0;
    EXPECT_EQ(DecodeUtf8(lone, 3, &code, Surrogates::Carried), 3u);
    EXPECT_EQ(code, 0xD800u);
    EXPECT_EQ(DecodeUtf8(lone, 3, &code), 0u);
    std::u16string units;
    EXPECT_EQ(Utf8ToUtf16(lone, &units), 1);
    std::string cp1252;
    NameProblem problem = NameProblem::None;
    EXPECT_EQ(Utf8ToWindows1252(lone, 3, &cp1252, &problem, nullptr), 0);
    EXPECT_EQ(problem, NameProblem::InvalidUtf8);
    EXPECT_EQ(ShowName(lone), "\\xed\\xa0\\x80");
    // Every form's first and last code point, encoded and read back.
    for (uint32_t point : {0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        std::string bytes;
        AppendUtf8(point, &bytes);
        EXPECT_EQ(DecodeUtf8(bytes.data(), bytes.size(), &code), bytes.size()) << point;
        EXPECT_EQ(code, point);
        // Cut short, the sequence is none.
        EXPECT_EQ(bytes.size() == 1 || DecodeUtf8(bytes.data(), bytes.size() - 1, &code) == 0, true) << point;
    }
}

// The window's conversion into a fixed buffer: it stops before a character
// that does not fit (a pair whole or not at all), says where, and shows a
// byte that is no UTF-8 as U+FFFD.
TEST(Utf16, TextsConvertIntoABufferWithoutSplittingACharacter) {
    char16_t out[5];
    int exact = 0;
    EXPECT_EQ(Utf8ToUtf16Prefix("\xD0\x96" "a\xF0\x9F\x98\x80", out, 5, &exact), 7u);
    EXPECT_TRUE(std::u16string(out) == u"\u0416a\U0001F600");
    EXPECT_EQ(exact, 1);
    // Three units of room: the pair would need a fourth.
    EXPECT_EQ(Utf8ToUtf16Prefix("\xD0\x96" "a\xF0\x9F\x98\x80", out, 4, &exact), 3u);
    EXPECT_TRUE(std::u16string(out) == u"\u0416a");
    EXPECT_EQ(Utf8ToUtf16Prefix("a\xFF\xC3", out, 5, &exact), 3u);
    EXPECT_TRUE(std::u16string(out) == u"a\uFFFD\uFFFD");
    EXPECT_EQ(exact, 0);
    // A lone surrogate of a Windows name goes back as it came.
    EXPECT_EQ(Utf8ToUtf16Prefix("\xED\xA0\x80", out, 5, &exact), 3u);
    EXPECT_EQ(out[0], 0xD800);
    EXPECT_EQ(exact, 1);
    EXPECT_EQ(Utf8ToUtf16Prefix("abc", out, 1, &exact), 0u);
    EXPECT_EQ(out[0], 0);
}

// The record's stand-in: one underscore per character Windows-1252 lacks,
// C1 controls included; the same bytes as the exact conversion otherwise.
TEST(Windows1252, TheStandInOfANameInAnyScript) {
    std::string standIn;
    ASSERT_TRUE(Utf8ToWindows1252StandIn("A\xC3\xB1o \xE2\x82\xAC.txt", &standIn));
    EXPECT_EQ(standIn, "A\xF1o \x80.txt");
    ASSERT_TRUE(Utf8ToWindows1252StandIn("\xCE\xB1\xCE\xB2\xF0\x9F\x98\x80\xC2\x81-\xE6\x97\xA5", &standIn));
    EXPECT_EQ(standIn, "____-_");
    EXPECT_FALSE(Utf8ToWindows1252StandIn("bad\xFF", &standIn));
    EXPECT_FALSE(Utf8ToWindows1252StandIn("\xED\xA0\x80", &standIn)) << "a lone surrogate is no text";
    EXPECT_EQ(standIn, "____-_") << "untouched on failure";
}

}  // namespace

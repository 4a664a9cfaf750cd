// The conversions of text/ against the C library's iconv, an independent
// reference: every character of Unicode to Windows-1252, and every code
// point between UTF-8 and UTF-16 both ways. Natively only: the Windows and
// the cross C libraries have no such converters.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "tests/support/utf8.h"
#include "text/cp1252.h"
#include "text/unicode.h"

namespace {

// The C library's own converter, as an independent reference.
int IconvToWindows1252(iconv_t converter, const std::string& utf8, std::string* out) {
    char result[16];
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outAt = result;
    size_t outLeft = sizeof result;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(converter, &in, &inLeft, &outAt, &outLeft) == static_cast<size_t>(-1)) return 0;
    out->assign(result, static_cast<size_t>(outAt - result));
    return 1;
}

TEST(Windows1252, EveryCharacterConvertsAsTheCLibraryDoes) {
    iconv_t converter = iconv_open("WINDOWS-1252", "UTF-8");
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
    int representable = 0;
    for (uint32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string utf8 = EncodeUtf8(c);
        // The C library drops the tag characters silently; they have no byte.
        if (c >= 0xE0000 && c <= 0xE007F) {
            std::string ours;
            ASSERT_FALSE(Utf8ToWindows1252(utf8.data(), utf8.size(), &ours, nullptr, nullptr));
            continue;
        }
        std::string ours;
        std::string theirs;
        NameProblem problem = NameProblem::None;
        int converted = Utf8ToWindows1252(utf8.data(), utf8.size(), &ours, &problem, nullptr);
        int reference = IconvToWindows1252(converter, utf8, &theirs);
        ASSERT_EQ(converted, reference) << std::hex << "U+" << c;
        if (converted) {
            ASSERT_EQ(ours, theirs) << std::hex << "U+" << c;
            ++representable;
        } else {
            ASSERT_EQ(problem, NameProblem::NotRepresentable) << std::hex << "U+" << c;
        }
    }
    iconv_close(converter);
    // 255 bytes have characters; 0x81, 0x8D, 0x8F, 0x90 and 0x9D do not.
    EXPECT_EQ(representable, 255 - 5);
}

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

}  // namespace

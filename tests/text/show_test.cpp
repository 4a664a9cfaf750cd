// Names and texts as a terminal shows them: one rule for the splitter's
// messages and the terminal joiner's, natively and under Wine.
#include <gtest/gtest.h>

#include <string>

#include "text/show.h"

namespace {

TEST(ShowName, NothingATerminalWouldActOnReachesIt) {
    const struct {
        std::string name;
        const char* shown;
    } cases[] = {
        // Printable text in any script stays as it is, backslashes too.
        {"A\xC3\xB1o caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80.bin",
         "A\xC3\xB1o caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80.bin"},
        {"C:\\data\\x.bin", "C:\\data\\x.bin"},
        // Escape, the other C0 controls, DEL and the C1 controls.
        {"a\x1b[2Jb", "a\\x1b[2Jb"},
        {"tab\there\r\n", "tab\\x09here\\x0d\\x0a"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"del\x7F", "del\\x7f"},
        {"csi\xC2\x9B" "31m", "csi\\u009b31m"},
        // Characters that reorder or break the line.
        {"invoice\xE2\x80\xAEtxt.exe", "invoice\\u202etxt.exe"},
        {"x\xE2\x81\xA6y\xE2\x80\xA8z\xE2\x80\x8F", "x\\u2066y\\u2028z\\u200f"},
        // Invalid UTF-8: every byte that starts no valid sequence.
        {"bad\xFF.bin", "bad\\xff.bin"},
        {"over\xC0\xAElong", "over\\xc0\\xaelong"},
        {"cut\xE6\x97", "cut\\xe6\\x97"},
        {"lone\xED\xA0\x80", "lone\\xed\\xa0\\x80"},
        {"big\xF4\x90\x80\x80", "big\\xf4\\x90\\x80\\x80"},
        {"\x80\xC3\xA9", "\\x80\xC3\xA9"},
        {"\xC2\x9B" "x\xFF\xC3", "\\u009bx\\xff\\xc3"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShowName(c.name), c.shown) << c.shown;
}

// The report's text: line ends, letters of any script, controls and the
// C1 controls, a lone carriage return and bytes that are no UTF-8.
TEST(ShowText, TheReportWithoutControls) {
    EXPECT_EQ(ShowText("A\xC3\xB1o \xD0\x96\r\n\xE2\x82\xAC\xC2\x90\x1b\n"),
              "A\xC3\xB1o \xD0\x96\n\xE2\x82\xAC\\u0090\\x1b\n");
    EXPECT_EQ(ShowText("a\rb\x7f\xFF\r\n\r\n"), "a\\x0db\\x7f\\xff\n\n");
}

}  // namespace

// The checksum list: what the splitter writes is what the joiner reads, and
// a list that is not a set's is refused with the line that shows it.
#include <gtest/gtest.h>

#include <string>

#include "format/checksum_list.h"

namespace {

std::string Digest(char c) { return std::string(64, c); }

std::string ListOf(const std::string& name, int parts, const char* width = "%03d") {
    std::string text;
    for (int i = 0; i < parts; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, width, i);
        text += ChecksumListLine(Digest("abcde0123456789"[i % 15]), name + "__" + suffix);
    }
    return text + ChecksumListLine(Digest('f'), name);
}

TEST(ChecksumList, ReadsWhatIsWritten) {
    EXPECT_EQ(ChecksumListName("Año café.bin"), "Año café.bin.sha256");
    EXPECT_EQ(ChecksumListLine(Digest('0'), "x.bin__000"), Digest('0') + "  x.bin__000\n");

    ChecksumList list;
    ListProblem problem = ListProblem::NotALine;
    size_t line = 99;
    ASSERT_TRUE(ParseChecksumList(ListOf("Año café.bin", 3), &list, &problem, &line));
    EXPECT_EQ(problem, ListProblem::None);
    EXPECT_EQ(list.name, "Año café.bin");
    EXPECT_EQ(list.digest, Digest('f'));
    ASSERT_EQ(list.partDigests.size(), 3u);
    EXPECT_EQ(list.partDigests[2], Digest('c'));

    // As other tools leave a list: CRLF, the binary mark, capitals, no last
    // line feed; and four digits above 1000 parts.
    std::string edited = "AAAA" + Digest('a').substr(4) + " *x__000\r\n" + Digest('b') + "  x__001\r\n" +
                         Digest('f') + "  x";
    ASSERT_TRUE(ParseChecksumList(edited, &list, &problem, &line));
    EXPECT_EQ(list.partDigests[0], Digest('a'));
    ASSERT_TRUE(ParseChecksumList(ListOf("m", 1001, "%04d"), &list, &problem, &line));
    EXPECT_EQ(list.partDigests.size(), 1001u);
}

TEST(ChecksumList, RefusesWhatIsNotASetsList) {
    const struct {
        std::string text;
        ListProblem problem;
        size_t line;
    } cases[] = {
        {"", ListProblem::TooFewParts, 0},
        {ListOf("x", 1), ListProblem::TooFewParts, 2},
        {ListOf("x", 10001, "%04d"), ListProblem::TooManyParts, 10002},
        {ListOf("x", 3) + "\n", ListProblem::NotALine, 5},
        {Digest('g') + "  x__000\n" + ListOf("x", 2), ListProblem::NotALine, 1},
        {Digest('a') + " x__000\n" + ListOf("x", 2), ListProblem::NotALine, 1},
        {ListOf("x", 1001), ListProblem::NotTheParts, 1},  // three digits in a set of 1001
        {ListOf("x", 3).substr(73), ListProblem::NotTheParts, 1},  // part 0 missing
        {ListOf("y", 2) + ChecksumListLine(Digest('e'), "x"), ListProblem::NotTheParts, 1},
    };
    for (const auto& c : cases) {
        ChecksumList list;
        ListProblem problem = ListProblem::None;
        size_t line = 0;
        EXPECT_FALSE(ParseChecksumList(c.text, &list, &problem, &line)) << c.text.substr(0, 80);
        EXPECT_EQ(problem, c.problem) << c.text.substr(0, 80);
        EXPECT_EQ(line, c.line) << c.text.substr(0, 80);
    }
}

}  // namespace

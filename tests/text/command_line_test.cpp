// What the two command lines share: long options cut short, the table of
// exit statuses in their help and the line after a refused command line.
#include <gtest/gtest.h>

#include <string>

#include "text/command_line.h"

namespace {

// The rule on a table where a beginning is ambiguous (none of the
// programs' own tables has one today).
TEST(LongOptions, AnAbbreviationResolvesOnlyWhenOneOptionBeginsSo) {
    const char* const names[] = {"no", "no-list", "none", "parts"};
    const struct {
        const char* word;
        OptionMatch match;
        size_t index;
        const char* candidates;
    } cases[] = {
        {"no", OptionMatch::Found, 0, ""},
        {"no-", OptionMatch::Found, 1, ""},
        {"non", OptionMatch::Found, 2, ""},
        {"p", OptionMatch::Found, 3, ""},
        {"n", OptionMatch::Ambiguous, 0, "--no, --no-list, --none"},
        {"", OptionMatch::Unknown, 0, ""},
        {"nob", OptionMatch::Unknown, 0, ""},
        {"partsx", OptionMatch::Unknown, 0, ""},
        {"P", OptionMatch::Unknown, 0, ""},
    };
    for (const auto& c : cases) {
        size_t index = 99;
        std::string candidates;
        EXPECT_EQ(MatchLongOption(c.word, names, 4, &index, &candidates), c.match) << c.word;
        if (c.match == OptionMatch::Found) {
            EXPECT_EQ(index, c.index) << c.word;
        }
        EXPECT_EQ(candidates, c.candidates) << c.word;
    }
}

TEST(ExitStatuses, OneTableLayoutAndOneHintForBothPrograms) {
    const ExitStatusMeaning rows[] = {
        {kExitDone, "done"}, {kExitFailed, "failed"}, {kExitUsage, "usage"}, {kExitInterrupted, "stopped"}};
    EXPECT_EQ(ExitStatusTable(rows, 4),
              "Exit status:\n  0    done\n  1    failed\n  2    usage\n  130  stopped\n");
    EXPECT_EQ(UsageHint("vantorel-split"), "Try 'vantorel-split --help' for more information.");
    EXPECT_EQ(UsageHint("selvanore"), "Try 'selvanore --help' for more information.");
}

}  // namespace

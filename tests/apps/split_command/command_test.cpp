// vantorel-split's command line without running it: the option parser's
// table of bad command lines, the short options and abbreviations, the help's
// table of exit statuses against each cause's, and the console decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "apps/split_command/exit_status.h"
#include "apps/split_command/options.h"
#include "apps/split_command/report.h"
#include "apps/split_command/texts.h"
#include "apps/split_window/choices.h"

namespace {

// ---- The command line ----------------------------------------------------

int Parse(std::vector<const char*> args, Options* options, std::string* error) {
    args.insert(args.begin(), "vantorel-split");
    return ParseArguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), options,
                          error);
}

TEST(SplitOptions, ValuesFollowTheirOptionOrAnEqualsSign) {
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--size=3K", "f", "--checksum", "md5", "--joiner=j", "--out", "o",
                       "--no-list", "--for=linux"},
                      &options, &error))
        << error;
    EXPECT_STREQ(options.file, "f");
    EXPECT_TRUE(options.bySize);
    EXPECT_EQ(options.partSize, 3072u);
    EXPECT_EQ(options.kind, 1u);
    EXPECT_STREQ(options.joiner, "j");
    EXPECT_STREQ(options.outDir, "o");
    EXPECT_FALSE(options.list);
    EXPECT_EQ(options.system, JoinerSystem::Linux);

    // After "--", a name beginning with a dash is the file.
    options = Options();
    ASSERT_TRUE(Parse({"--parts", "2", "--", "-file"}, &options, &error)) << error;
    EXPECT_STREQ(options.file, "-file");
    EXPECT_EQ(options.kind, 4u) << "SHA-256 by default";
    EXPECT_TRUE(options.list) << "a list by default";
    EXPECT_EQ(options.system, JoinerSystem::Windows) << "the Windows joiner by default";
    options = Options();
    ASSERT_TRUE(
        Parse({"--for", "linux", "--for", "windows", "--parts", "2", "f"}, &options, &error));
    EXPECT_EQ(options.system, JoinerSystem::Windows) << "the last --for counts";

    options = Options();
    ASSERT_TRUE(Parse({"x", "--help", "--bogus"}, &options, &error));
    EXPECT_TRUE(options.help);
}

// A preset's name, in any case, is the size the window cuts by for it, and
// a mail preset's limit reaches the summary in the window's words on base64.
TEST(SplitOptions, PresetsAreTheWindowsSizes) {
    for (size_t i = 0; i < kCutPresetCount; ++i) {
        for (std::string word : {std::string(kCutPresets[i].name), std::string("-b") + kCutPresets[i].name}) {
            SCOPED_TRACE(word);
            Options options;
            std::string error;
            bool glued = word[0] == '-';
            ASSERT_TRUE(glued ? Parse({"f", word.c_str()}, &options, &error)
                              : Parse({"f", "--size", word.c_str()}, &options, &error))
                << error;
            CutChoice window;
            AmountProblem problem;
            ASSERT_TRUE(ChooseCut(i, "", 0, &window, &problem));
            EXPECT_TRUE(options.bySize);
            EXPECT_EQ(options.partSize, window.partSize);
            EXPECT_EQ(options.mailLimit, window.mailLimit);
        }
    }
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"f", "-b", "MAIL25"}, &options, &error)) << error;
    EXPECT_EQ(options.partSize, 17u << 20);
    EXPECT_EQ(options.mailLimit, 25000000u);
    // A later size of bytes drops the mail limit.
    options = Options();
    ASSERT_TRUE(Parse({"f", "-b", "mail25", "-b", "25MB"}, &options, &error)) << error;
    EXPECT_EQ(options.partSize, 25000000u);
    EXPECT_EQ(options.mailLimit, 0u);
    options = Options();
    EXPECT_FALSE(Parse({"f", "-b", "mail"}, &options, &error));
    EXPECT_NE(error.find("or mail10, mail25, cd, dvd or fat32, not 'mail'"), std::string::npos) << error;

    SplitResult result;
    result.name = "f";
    result.joinerName = "f__join.exe";
    result.firstPart = "f__000";
    result.list = "/d/f.sha256";
    result.listName = "f.sha256";
    std::string summary = SummaryText(result, 25000000, 17u << 20);
    EXPECT_NE(summary.find("mail: each part takes at most 24393192 bytes encoded in base64, less than "
                           "the 25000000 a mail service of 25 MB counts\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("mail services refuse programs (f__join.exe)"), std::string::npos) << summary;
    EXPECT_NE(summary.find("'selvanore f.sha256'"), std::string::npos) << summary;
    EXPECT_EQ(SummaryText(result).find("mail:"), std::string::npos);
}

TEST(SplitOptions, BadCommandLinesSayWhy) {
    const struct {
        std::vector<const char*> args;
        const char* reason;
    } cases[] = {
        {{"f"}, "give exactly one of --parts N (-n) and --size SIZE (-b)"},
        {{"f", "--parts", "2", "--size", "1"}, "give exactly one of"},
        {{"f", "-n", "2", "-b", "1"}, "give exactly one of"},
        {{"--parts", "2"}, "no FILE given"},
        {{"a", "b", "--parts", "2"}, "more than one FILE given ('a' and 'b')"},
        {{"f", "--parts"}, "option --parts needs a value"},
        {{"f", "-n"}, "option -n needs a value"},
        {{"f", "--parts=2K"}, "--parts takes a whole number, not '2K'"},
        {{"f", "-n", "-2"}, "--parts takes a whole number, not '-2'"},
        {{"f", "-n", "99999999999999999999"},
         "--parts '99999999999999999999' is too large: a set has at most 10000 parts"},
        {{"f", "--size", "-1"}, "--size takes a number of bytes with an optional unit (K, M, G "
                                "(1024-based), KB, MB, GB (1000-based), KiB, MiB, GiB, in any "
                                "case) or mail10, mail25, cd, dvd or fat32, not '-1'"},
        {{"f", "-b", "10q"}, "--size takes a number of bytes"},
        {{"f", "-b", "18446744073709551616"},
         "--size '18446744073709551616' is too large: at most 18446744073709551615 bytes"},
        {{"f", "-b17179869184G"}, "--size '17179869184G' is too large"},
        {{"f", "--parts", "2", "--checksum", "crc"},
         "--checksum takes none, md5, sha1, sha224 or sha256 (in any case, with or without the "
         "dash), not 'crc'"},
        {{"f", "--parts=2", "--verbose=1"}, "unknown option '--verbose'"},
        {{"f", "-p"}, "unknown option '-p'"},
        {{"f", "-n2x", "--parts", "2"}, "--parts takes a whole number, not '2x'"},
        {{"f", "-hx"}, nullptr},
        {{"f", "-xh"}, "unknown option '-x'"},
        {{"f", "--parts", "2", "--for", "mac"}, "--for takes linux or windows, not 'mac'"},
        {{"f", "--parts", "2", "--no-list=yes"}, "option --no-list takes no value"},
        {{"f", "--parts", "2", "--no=yes"}, "option --no-list takes no value"},
        {{"f", "--help=1"}, "option --help takes no value"},
        {{"f", "--", "-n", "2"}, "more than one FILE given ('f' and '-n')"},
        {{"f", "--x\x1b"}, "unknown option '--x\\x1b'"},
        {{"f", "---parts", "2"}, "unknown option '---parts'"},
        {{"/?", "x"}, "more than one FILE given ('/?' and 'x')"},  // a file but on Windows
    };
    for (const auto& c : cases) {
        Options options;
        std::string error;
        int parsed = Parse(c.args, &options, &error);
        if (c.reason == nullptr) {
            EXPECT_TRUE(parsed && options.help) << c.args[1];
            continue;
        }
        EXPECT_FALSE(parsed) << c.reason;
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << error;
    }
}

// The habits of GNU programs: -n and -b for --parts and --size, a value
// attached to its letter, long options cut short, -h, --version, and on
// Windows /?.
TEST(SplitOptions, ShortOptionsAndAbbreviationsMeanTheirLongOptions) {
    const struct {
        std::vector<const char*> args;
        bool byParts;
        uint64_t value;
        uint32_t kind;
        bool list;
    } cases[] = {
        {{"f", "-n", "3"}, true, 3, 4, true},
        {{"-n3", "f"}, true, 3, 4, true},
        {{"f", "-b", "10mb"}, false, 10000000, 4, true},
        {{"f", "-b100KiB"}, false, 102400, 4, true},
        {{"f", "--si", "1g", "--che=MD5"}, false, 1u << 30, 1, true},
        {{"f", "--p=7", "--c", "Sha-1", "--n"}, true, 7, 2, false},
        {{"f", "--par", "2", "--checksum", "NONE", "--no-l"}, true, 2, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + std::string(" ") + c.args[1]);
        Options options;
        std::string error;
        ASSERT_TRUE(Parse(c.args, &options, &error)) << error;
        EXPECT_STREQ(options.file, "f");
        EXPECT_EQ(options.byParts, c.byParts);
        EXPECT_EQ(options.bySize, !c.byParts);
        EXPECT_EQ(c.byParts ? options.parts : options.partSize, c.value);
        EXPECT_EQ(options.kind, c.kind);
        EXPECT_EQ(options.list, c.list);
    }
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--for", "linux", "--j", "J", "--o=O", "--fo=windows", "-n", "2", "f"},
                      &options, &error))
        << error;
    EXPECT_STREQ(options.joiner, "J");
    EXPECT_STREQ(options.outDir, "O");
    EXPECT_EQ(options.system, JoinerSystem::Windows);

    // --help, -h, --version and /? end the reading, whatever follows.
    for (const char* word : {"-h", "--h", "--help", "--he"}) {
        options = Options();
        ASSERT_TRUE(Parse({word, "--bogus"}, &options, &error)) << word;
        EXPECT_TRUE(options.help) << word;
        EXPECT_FALSE(options.version) << word;
    }
    for (const char* word : {"--version", "--v", "--vers"}) {
        options = Options();
        ASSERT_TRUE(Parse({"x", word, "--bogus"}, &options, &error)) << word;
        EXPECT_TRUE(options.version) << word;
        EXPECT_FALSE(options.help) << word;
    }
    std::vector<const char*> slash = {"vantorel-split", "/?", "--bogus"};
    options = Options();
    ASSERT_TRUE(ParseArguments(3, const_cast<char**>(slash.data()), &options, &error, true));
    EXPECT_TRUE(options.help) << "/? on Windows";
    options = Options();
    EXPECT_FALSE(ParseArguments(3, const_cast<char**>(slash.data()), &options, &error, false));
    EXPECT_EQ(error, "unknown option '--bogus'") << "/? is a file name elsewhere";
}

// A name given whole is its option even when it begins another; a beginning
// two options share names neither and says which.
// Every status the help lists is the one a cause ends with.
TEST(SplitOptions, TheHelpListsTheExitStatusOfEachCause) {
    std::string help = UsageText(DefaultJoiner(), DefaultJoiner());
    EXPECT_NE(help.find("Exit status:\n"
                        "  0    the set was made\n"
                        "  1    the run failed; nothing was left behind\n"
                        "  2    a bad command line, or a file name a set cannot carry\n"
                        "  130  interrupted; nothing was left behind\n"),
              std::string::npos)
        << help;
    EXPECT_EQ(help.find("/?"), std::string::npos);
    EXPECT_NE(UsageText(DefaultJoiner(), DefaultJoiner(), true).find("(/? too)"),
              std::string::npos);
    size_t widest = 0;
    for (size_t at = 0, end; at < help.size(); at = end + 1) {
        end = help.find('\n', at);
        widest = std::max(widest, end - at);
    }
    EXPECT_LE(widest, 80u) << "a line of the help wraps on an 80-column terminal";

    const struct {
        SplitCause cause;
        int status;
    } cases[] = {
        {SplitCause::DeviceName, 2},         {SplitCause::DroppedEnd, 2},
        {SplitCause::NameNotUtf8, 2},        {SplitCause::NameNotWindows1252, 2},
        {SplitCause::NameNotAllowed, 2},     {SplitCause::NameTooLongForJoiner, 2},
        {SplitCause::NameTooLongForFolder, 2}, {SplitCause::Interrupted, 130},
        {SplitCause::InputCannotOpen, 1},    {SplitCause::CannotCut, 1},
        {SplitCause::OutputExists, 1},       {SplitCause::CannotWrite, 1},
        {SplitCause::JoinerUnusable, 1},     {SplitCause::CannotSyncFolder, 1},
    };
    for (const auto& c : cases) {
        SplitOutcome outcome;
        outcome.failure.cause = c.cause;
        EXPECT_EQ(ExitStatusOf(outcome), c.status) << static_cast<int>(c.cause);
        outcome.interrupted = true;
        EXPECT_EQ(ExitStatusOf(outcome), 130) << "a failure after a stop";
    }
}

// Explorer opens a console for the program alone, and closes it as the
// program ends; under a shell's console, or redirected, nothing changes.
TEST(SplitOptions, OnlyAConsoleOpenedForTheProgramAloneWaits) {
    const struct {
        uint32_t processes;
        bool output, input;
        bool own;
    } cases[] = {
        {1, true, true, true},    // a double click, a file dropped on the icon
        {2, true, true, false},   // in cmd.exe's console
        {0, true, true, false},   // no console, or it cannot be told (POSIX)
        {1, false, true, false},  // output redirected
        {1, true, false, false},  // input redirected: no key can be read
    };
    for (const auto& c : cases) {
        ConsoleState console;
        console.processes = c.processes;
        console.output = c.output;
        console.input = c.input;
        EXPECT_EQ(InAConsoleOfItsOwn(console), c.own)
            << c.processes << " " << c.output << " " << c.input;
    }
    std::string note = OwnConsoleNote("tools/vantorel-split.exe");
    EXPECT_NE(note.find("  tools/Vantorel.exe\n"), std::string::npos) << note;
    EXPECT_NE(note.find("Press a key"), std::string::npos) << note;
}

}  // namespace

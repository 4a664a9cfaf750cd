// The splitter's pure parts: the command line, the names a file may be cut
// under, the cut and the part names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "format/part_name.h"
#include "text/cp1252.h"
#include "split/names.h"
#include "apps/split_command/exit_status.h"
#include "apps/split_command/options.h"
#include "split/plan.h"
#include "format/classify.h"
#include "apps/split_command/report.h"
#include "apps/split_command/texts.h"
#include "tests/support/utf8.h"

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
                                "case), not '-1'"},
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

// ---- Names ---------------------------------------------------------------

TEST(SplitNames, DeviceNamesAndNamesWindowsShortenAreRefused) {
    const struct {
        const char* name;
        SplitCause cause;
    } refused[] = {
        {"CON", SplitCause::DeviceName},          {"con.txt", SplitCause::DeviceName},
        {"Prn", SplitCause::DeviceName},          {"aux.tar.gz", SplitCause::DeviceName},
        {"NUL", SplitCause::DeviceName},          {"nul .log", SplitCause::DeviceName},
        {"COM1", SplitCause::DeviceName},         {"com9.x", SplitCause::DeviceName},
        {"LPT1", SplitCause::DeviceName},         {"lpt5.log", SplitCause::DeviceName},
        {"CONIN$", SplitCause::DeviceName},       {"conout$.txt", SplitCause::DeviceName},
        {"COM\xC2\xB9", SplitCause::DeviceName}, {"LPT\xC2\xB2", SplitCause::DeviceName},
        {"lpt\xC2\xB3.bin", SplitCause::DeviceName},
        {"data.", SplitCause::DroppedEnd},        {"note ", SplitCause::DroppedEnd},
        {"a.b. ", SplitCause::DroppedEnd},
    };
    for (const auto& c : refused) {
        SplitFailure failure;
        EXPECT_FALSE(CheckWindowsName(c.name, &failure)) << c.name;
        EXPECT_EQ(failure.cause, c.cause) << c.name;
        EXPECT_EQ(failure.name, c.name);
    }
    for (const char* name : {"COM0", "COM10", "LPT", "CONX", "console", ".nul", "nul_", "x.nul",
                             "aux-data.bin", "COM\xC2\xB4", "file.txt", ".hidden"}) {
        SplitFailure failure;
        EXPECT_TRUE(CheckWindowsName(name, &failure)) << name;
    }
}

TEST(SplitNames, ConversionSaysWhatIsWrongAndWhere) {
    std::string cp1252;
    SplitFailure failure;
    ASSERT_TRUE(ConvertName("caf\xC3\xA9", &cp1252, &failure));
    EXPECT_EQ(cp1252, "caf\xE9");
    const struct {
        const char* name;
        SplitCause cause;
        uint64_t at;
    } cases[] = {
        {"ab\xFF", SplitCause::NameNotUtf8, 2},
        {"x\xE6\x97\xA5", SplitCause::NameNotWindows1252, 1},
        {"tab\there", SplitCause::NameNotAllowed, 0},
        {"a<b", SplitCause::NameNotAllowed, 0},  {"a>b", SplitCause::NameNotAllowed, 0},
        {"a:b", SplitCause::NameNotAllowed, 0},  {"a\"b", SplitCause::NameNotAllowed, 0},
        {"a\\b", SplitCause::NameNotAllowed, 0}, {"a|b", SplitCause::NameNotAllowed, 0},
        {"a?b", SplitCause::NameNotAllowed, 0},  {"a*b", SplitCause::NameNotAllowed, 0},
    };
    for (const auto& c : cases) {
        failure = SplitFailure();
        EXPECT_FALSE(ConvertName(c.name, &cp1252, &failure)) << c.name;
        EXPECT_EQ(failure.cause, c.cause) << c.name;
        EXPECT_EQ(failure.number, c.at) << c.name;
        EXPECT_EQ(failure.name, c.name);
    }
}

// ---- The cut -----------------------------------------------------------

std::vector<uint64_t> Sizes(const SplitPlan& plan) {
    std::vector<uint64_t> sizes;
    for (uint32_t i = 0; i < plan.partCount; ++i) sizes.push_back(PartSize(plan, i));
    return sizes;
}

TEST(SplitPlan, ByCountGivesTheRemainderToTheLastPart) {
    SplitPlan plan;
    PlanProblem problem;
    // size / count bytes each, the remainder in the last part.
    ASSERT_TRUE(PlanByCount(10, 3, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{3, 3, 4}));
    ASSERT_TRUE(PlanByCount(17, 5, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{3, 3, 3, 3, 5}));
    ASSERT_TRUE(PlanByCount(10, 4, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{2, 2, 2, 4}));
    ASSERT_TRUE(PlanByCount(12, 4, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{3, 3, 3, 3}));
    ASSERT_TRUE(PlanByCount(5, 5, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{1, 1, 1, 1, 1}));

    // Beyond 32 bits.
    ASSERT_TRUE(PlanByCount((5ull << 30) + 2, 3, &plan, &problem));
    EXPECT_EQ(plan.partSize, 1789569707ull);
    EXPECT_EQ(plan.lastSize, 1789569708ull);
    EXPECT_EQ(plan.partSize * 2 + plan.lastSize, (5ull << 30) + 2);
}

TEST(SplitPlan, BySizeLeavesTheLastPartShort) {
    SplitPlan plan;
    PlanProblem problem;
    ASSERT_TRUE(PlanBySize(10000, 1024, &plan, &problem));
    EXPECT_EQ(plan.partCount, 10u);
    EXPECT_EQ(PartSize(plan, 8), 1024u);
    EXPECT_EQ(PartSize(plan, 9), 784u);
    ASSERT_TRUE(PlanBySize(4096 * 5, 4096, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>(5, 4096)));
    ASSERT_TRUE(PlanBySize(2, 1, &plan, &problem));
    EXPECT_EQ(Sizes(plan), (std::vector<uint64_t>{1, 1}));
    ASSERT_TRUE(PlanBySize(5ull << 30, 1ull << 30, &plan, &problem));
    EXPECT_EQ(plan.partCount, 5u);
    EXPECT_EQ(plan.lastSize, 1ull << 30);
}

TEST(SplitPlan, ImpossibleCutsAreRefused) {
    SplitPlan plan;
    PlanProblem problem = PlanProblem::None;
    const struct {
        bool byCount;
        uint64_t fileSize;
        uint64_t value;
        PlanProblem expected;
    } cases[] = {
        {true, 0, 2, PlanProblem::EmptyFile},
        {false, 0, 1, PlanProblem::EmptyFile},
        {true, 100, 1, PlanProblem::TooFewParts},
        {true, 100, 0, PlanProblem::TooFewParts},
        {false, 100, 100, PlanProblem::TooFewParts},
        {false, 100, 1000, PlanProblem::TooFewParts},
        {false, 100, 0, PlanProblem::ZeroPartSize},
        {true, 100, 101, PlanProblem::MorePartsThanBytes},
        // More than kMaxPartCount parts, however many bytes there are.
        {true, 1ull << 40, 10001, PlanProblem::TooManyParts},
        {true, 5000, 10001, PlanProblem::TooManyParts},
        {true, 1ull << 40, 4294967295u, PlanProblem::TooManyParts},
        {true, 1ull << 40, 1ull << 32, PlanProblem::TooManyParts},
        {false, 100001, 10, PlanProblem::TooManyParts},
        {false, (1ull << 32) + 1, 1, PlanProblem::TooManyParts},
    };
    for (const auto& c : cases) {
        bool planned = c.byCount ? PlanByCount(c.fileSize, c.value, &plan, &problem)
                                 : PlanBySize(c.fileSize, c.value, &plan, &problem);
        EXPECT_FALSE(planned) << c.fileSize << " " << c.value;
        EXPECT_EQ(problem, c.expected) << c.fileSize << " " << c.value;
    }
    // The limit itself is accepted.
    EXPECT_TRUE(PlanBySize(100000, 10, &plan, &problem));
    EXPECT_EQ(plan.partCount, kMaxPartCount);
    EXPECT_TRUE(PlanByCount(1ull << 40, kMaxPartCount, &plan, &problem));
}

// Sizes as people type them: K, M, G and KiB, MiB, GiB by 1024, KB, MB, GB
// by 1000, in any case; the reason for anything else.
TEST(SplitPlan, ByteCountsWithUnits) {
    const struct {
        const char* text;
        uint64_t value;
    } good[] = {
        {"0", 0},          {"1", 1},
        {"1K", 1024},      {"3m", 3u << 20},
        {"2G", 2ull << 30}, {"007k", 7168},
        {"1KB", 1000},     {"10mb", 10000000},
        {"1gB", 1000000000}, {"100KiB", 102400},
        {"2mib", 2u << 20}, {"1GIB", 1u << 30},
        {"5Kib", 5120},
        {"18446744073709551615", 18446744073709551615ull},
        {"17179869183G", 17179869183ull << 30},
        {"18446744073GB", 18446744073000000000ull},
    };
    for (const auto& c : good) {
        uint64_t value = 12345;
        ByteCountProblem problem = ByteCountProblem::TooLarge;
        EXPECT_TRUE(ParseByteCount(c.text, &value, &problem)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(problem, ByteCountProblem::None) << c.text;
    }
    const struct {
        const char* text;
        ByteCountProblem problem;
    } bad[] = {
        {"", ByteCountProblem::NoNumber},       {"K", ByteCountProblem::NoNumber},
        {"-1", ByteCountProblem::NoNumber},     {"+1", ByteCountProblem::NoNumber},
        {" 1", ByteCountProblem::NoNumber},     {"KiB", ByteCountProblem::NoNumber},
        {"1.5M", ByteCountProblem::UnknownUnit}, {"1 ", ByteCountProblem::UnknownUnit},
        {"1 M", ByteCountProblem::UnknownUnit}, {"1T", ByteCountProblem::UnknownUnit},
        {"0x10", ByteCountProblem::UnknownUnit}, {"1B", ByteCountProblem::UnknownUnit},
        {"1Ki", ByteCountProblem::UnknownUnit}, {"1KiBs", ByteCountProblem::UnknownUnit},
        {"1KBB", ByteCountProblem::UnknownUnit}, {"1MiB ", ByteCountProblem::UnknownUnit},
        {"1iB", ByteCountProblem::UnknownUnit}, {"1kK", ByteCountProblem::UnknownUnit},
        {"99999999999999999999x", ByteCountProblem::UnknownUnit},
        {"18446744073709551616", ByteCountProblem::TooLarge},
        {"17179869184G", ByteCountProblem::TooLarge},
        {"17179869184GiB", ByteCountProblem::TooLarge},
        {"18446744074GB", ByteCountProblem::TooLarge},
        {"99999999999999999999", ByteCountProblem::TooLarge},
        {"99999999999999999999k", ByteCountProblem::TooLarge},
    };
    for (const auto& c : bad) {
        uint64_t value = 12345;
        ByteCountProblem problem = ByteCountProblem::None;
        EXPECT_FALSE(ParseByteCount(c.text, &value, &problem)) << c.text;
        EXPECT_EQ(value, 12345u) << c.text;
        EXPECT_EQ(problem, c.problem) << c.text;
    }
}

// ---- Part names ----------------------------------------------------------

// The suffix is the joiner's own rule (format/part_name.h) after the name, for
// counts on both sides of every change of width.
TEST(SplitPartNames, TheSuffixIsWhatTheJoinerPutsAfterTheName) {
    for (uint32_t count : {2u, 1000u, 1001u, 10001u, 4294967295u}) {
        for (uint32_t index : {0u, count / 2, count - 1}) {
            std::string suffix;
            ASSERT_TRUE(PartSuffix("f.bin", count, index, &suffix)) << count;
            char name[kNameCapacity];
            ASSERT_TRUE(FormatPartName("f.bin", count, index, name));
            EXPECT_EQ("f.bin" + suffix, name) << count << " " << index;
        }
    }
}

TEST(SplitPartNames, NamesLongerThan519CharactersAreRefused) {
    std::string suffix;
    // 514 + "__999" = 519 characters fit; one more does not.
    EXPECT_TRUE(PartSuffix(std::string(514, '\xE9'), 1000, 999, &suffix));
    EXPECT_EQ(suffix, "__999");
    EXPECT_FALSE(PartSuffix(std::string(515, '\xE9'), 1000, 999, &suffix));
    EXPECT_TRUE(PartSuffix(std::string(512, 'n'), 10001, 10000, &suffix));
    EXPECT_FALSE(PartSuffix(std::string(513, 'n'), 10001, 10000, &suffix));
    // Beyond the record's name field, and names that cannot be texts.
    EXPECT_FALSE(PartSuffix(std::string(700, 'n'), 2, 0, &suffix));
    EXPECT_FALSE(PartSuffix("", 2, 0, &suffix));
    EXPECT_FALSE(PartSuffix(std::string("a\0b", 3), 2, 0, &suffix));
}

}  // namespace

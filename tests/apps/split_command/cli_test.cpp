// vantorel-split as its users run it: cuts compared with a reference cut made by dd and the
// checksum commands, the stamped joiner run and read back, and every refusal
// leaving the output directory as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/part_names.h"
#include "tests/support/temp_dir.h"
#include "apps/split_command/options.h"
#include "format/classify.h"
#include "format/locate.h"
#include "format/name_record.h"

#ifndef PROBE_FILE
#define PROBE_FILE ""
#endif

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const char kTool[] = SPLIT_TOOL;

struct Result {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs a program with stdout and stderr captured in files of scratch, or
// with stdin and stdout opened on the paths given.
pid_t Spawn(const std::vector<std::string>& args, const std::string& scratch,
            const std::string& in = "", const std::string& out = "") {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!in.empty()) posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1,
                                     out.empty() ? (scratch + "/stdout").c_str() : out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (scratch + "/stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for pid, at most seconds (0: for ever); a program still running then
// is killed and reported with status -2.
Result Wait(pid_t pid, const std::string& scratch, int seconds = 0) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    pid_t got = 0;
    while (pid > 0 && (got = waitpid(pid, &status, seconds > 0 ? WNOHANG : 0)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            got = -2;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Result result;
    if (got == pid) {
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (got == -2) result.status = -2;
    result.out = ReadWholeFile(scratch + "/stdout");
    result.err = ReadWholeFile(scratch + "/stderr");
    return result;
}

Result RunProgram(const std::vector<std::string>& args) {
    TempDir scratch(TempDir::kStay);
    return Wait(Spawn(args, scratch.Path().string()), scratch.Path().string());
}

Result Split(std::vector<std::string> args) {
    args.insert(args.begin(), kTool);
    return RunProgram(args);
}

// Runs a shell command and returns its standard output.
std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    pclose(pipe);
    return out;
}

bool HavePar2() { return std::system("par2 -V > /dev/null 2>&1") == 0; }

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The fields a stamped joiner prints, "key=value" a line.
std::map<std::string, std::string> RunJoiner(const std::string& path) {
    Result result = RunProgram({path});
    std::map<std::string, std::string> fields;
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    size_t start = 0;
    while (start < result.out.size()) {
        size_t end = result.out.find('\n', start);
        if (end == std::string::npos) end = result.out.size();
        std::string line = result.out.substr(start, end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return fields;
}

// The failure contract: one line on stderr naming the tool, a non-zero
// status, and the watched directories exactly as they were.
void ExpectRefused(const std::vector<std::string>& args, const std::vector<std::string>& watched,
                   const std::string& reason, int status = 1) {
    std::vector<std::set<std::string>> before;
    for (const auto& d : watched) before.push_back(ListNames(d));
    Result result = Split(args);
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.err.rfind("vantorel-split: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    for (size_t i = 0; i < watched.size(); ++i) {
        EXPECT_EQ(ListNames(watched[i]), before[i]) << watched[i];
    }
}

// ---- Cuts --------------------------------------------------------------

struct Cut {
    size_t size;
    const char* mode;  // "--parts" or "--size"
    const char* value;
    const char* checksum;  // nullptr: the default
};

const struct {
    const char* option;
    const char* command;
    const char* kind;
    const char* engine;
} kChecksums[] = {
    {"none", nullptr, "0", "none"},         {"md5", "md5sum", "1", "MD5"},
    {"sha1", "sha1sum", "2", "SHA-1"},      {"sha224", "sha224sum", "3", "SHA-224"},
    {"sha256", "sha256sum", "4", "SHA-256"},
};

void CheckCut(const Cut& cut, uint32_t seed) {
    SCOPED_TRACE(std::to_string(cut.size) + " " + cut.mode + " " + cut.value);
    TempDir dir{TempDir::kStay};
    std::string in = dir / "in";
    std::string out = dir / "out";
    std::string reference = dir / "reference";
    fs::create_directories(in);
    fs::create_directories(out);
    fs::create_directories(reference);
    std::string file = in + "/data.bin";
    Bytes data = SeededBytes(cut.size, seed);
    WriteWholeFile(file, std::string(data.begin(), data.end()));

    std::vector<std::string> args = {file, cut.mode, cut.value, "--joiner", ELF_FIXTURE, "--out",
                                     out};
    std::string checksum = cut.checksum != nullptr ? cut.checksum : "sha256";
    if (cut.checksum != nullptr) args.insert(args.end(), {"--checksum", cut.checksum});
    Result result = Split(args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");

    // The reference cut, made by dd at the offsets the two modes define:
    // --size S cuts every S bytes; --parts N cuts every size/N bytes and the
    // last part takes the remainder.
    bool byParts = std::string(cut.mode) == "--parts" || std::string(cut.mode) == "-n";
    uint64_t step = byParts ? cut.size / std::stoull(cut.value) : 0;
    if (step == 0) ParseByteCount(cut.value, &step);
    uint32_t count = byParts
                         ? static_cast<uint32_t>(std::stoull(cut.value))
                         : static_cast<uint32_t>((cut.size + step - 1) / step);
    ASSERT_GE(count, 2u);
    std::vector<std::string> referenceParts;
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t offset = i * step;
        uint64_t length = i + 1 == count ? cut.size - offset : step;
        std::string name = reference + "/x" + std::to_string(100000 + i);
        Shell("dd if=" + Quote(file) + " of=" + Quote(name) + " bs=64K iflag=skip_bytes,count_bytes skip=" +
              std::to_string(offset) + " count=" + std::to_string(length) + " status=none");
        referenceParts.push_back(name);
    }

    // A set of 3 parts or more has one recovery slice by default, which
    // par2 finds correct whatever the parts' sizes (one byte each, a short
    // or long last part).
    std::set<std::string> expected = {"data.bin__join", "data.bin.sha256"};
    for (uint32_t i = 0; i < count; ++i) expected.insert(ExpectedPartName("data.bin", count, i));
    if (count >= 3) expected.insert({"data.bin.par2", "data.bin.vol0+1.par2"});
    ASSERT_EQ(ListNames(out), expected);
    if (count >= 3 && HavePar2()) {
        EXPECT_EQ(Shell("cd " + Quote(out) + " && par2 verify -q data.bin.par2 >/dev/null 2>&1 && echo correct"),
                  "correct\n");
    }

    // The list, whatever the record's checksum, is sha256sum's: it checks the
    // parts beside it, and everything once they are joined by cat, as a
    // recipient without the joiner joins them.
    std::string list = Quote(out + "/data.bin.sha256");
    EXPECT_EQ(Shell("cd " + Quote(out) + " && sha256sum --strict -c --ignore-missing " + list +
                    " 2>&1 | grep -c ': OK$'"),
              std::to_string(count) + "\n");
    std::string recipient = dir / "recipient";
    fs::create_directories(recipient);
    for (uint32_t i = 0; i < count; ++i) {
        fs::copy_file(out + "/" + ExpectedPartName("data.bin", count, i),
                      recipient + "/" + ExpectedPartName("data.bin", count, i));
    }
    fs::copy_file(out + "/data.bin.sha256", recipient + "/data.bin.sha256");
    EXPECT_EQ(Shell("cd " + Quote(recipient) + " && cat data.bin__* > data.bin && sha256sum "
                    "--strict -c data.bin.sha256 >/dev/null 2>&1 && echo accepted"),
              "accepted\n");

    Bytes joined;
    uint32_t index = 0;
    for (const std::string& referencePart : referenceParts) {
        Bytes part = ReadFileBytes(out + "/" + ExpectedPartName("data.bin", count, index++));
        EXPECT_TRUE(part == ReadFileBytes(referencePart)) << "part " << index - 1;
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_TRUE(joined == data);
    EXPECT_TRUE(ReadFileBytes(file) == data);

    auto fields = RunJoiner(out + "/data.bin__join");
    for (const auto& kind : kChecksums) {
        if (checksum != kind.option) continue;
        EXPECT_EQ(fields["kind"], kind.kind);
        EXPECT_EQ(fields["engine"], kind.engine);
        std::string expectedSum;
        if (kind.command != nullptr) {
            expectedSum = Shell(std::string(kind.command) + " " + Quote(file));
            expectedSum = expectedSum.substr(0, expectedSum.find(' '));
        }
        EXPECT_EQ(fields["checksum"], expectedSum);
    }
    EXPECT_EQ(fields["size"], std::to_string(cut.size));
    EXPECT_EQ(fields["count"], std::to_string(count));
    EXPECT_EQ(fields["name"], "data.bin");
}

// Both ways of cutting, every checksum kind and the default; the plans'
// arithmetic is the unit tests'.
TEST(SplitCli, CutsMatchTheReferenceAndRoundTrip) {
    const Cut cuts[] = {
        {1000003, "--parts", "7", "md5"},   // a remainder of 4 in the last part
        {1048576, "--parts", "4", "sha1"},  // no remainder
        {5, "--parts", "5", nullptr},       // one byte each, default checksum
        {20480, "--size", "4096", "sha224"},  // an exact multiple
        {10000, "--size", "1K", "none"},      // a short last part
        {3145729, "--size", "1M", "sha256"},  // a last part of one byte
        {10001, "-b", "1kb", "md5"},          // 1000-based: eleven parts, the last of a byte
        {20000, "-n", "3", nullptr},          // -n is --parts
    };
    uint32_t seed = 1;
    for (const Cut& cut : cuts) CheckCut(cut, seed++);
}

// Beside the file, with the default checksum; the summary names it all.
TEST(SplitCli, PartsGoBesideTheFileByDefault) {
    TempDir dir{TempDir::kStay};
    std::string file = dir / "A\xC3\xB1o caf\xC3\xA9.dat";  // UTF-8 "Año café.dat"
    Bytes data = SeededBytes(3000, 5);
    WriteWholeFile(file, std::string(data.begin(), data.end()));
    Result result = Split({file, "--parts", "3", "--joiner", ELF_FIXTURE});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string sum = Shell("sha256sum " + Quote(file)).substr(0, 64);
    const std::string name = "A\xC3\xB1o caf\xC3\xA9.dat";
    uint64_t recoveryBytes = fs::file_size(file + ".par2") + fs::file_size(file + ".vol0+1.par2");
    EXPECT_EQ(result.out, name + ": 3000 bytes in 3 parts, " + name + "__000 to " + name +
                              "__002\njoiner: " + file + "__join\nSHA-256: " + sum +
                              "\nchecksum list: " + file + ".sha256\nrecovery data: " + file +
                              ".par2 and 1 file " + name + ".vol0+1.par2, " +
                              std::to_string(recoveryBytes) +
                              " bytes: send them with the parts; any one lost or damaged part can "
                              "be rebuilt (par2 repair " + name + ".par2)\n"
                              "note: mail services refuse programs (" + name + "__join) as attachments;\n"
                              "  send the joiner another way, or send the parts, the list and the recovery files alone.\n"
                              "  Without the joiner, the recipient joins the parts with\n"
                              "  'selvanore " + name + ".sha256' on Linux, or in order with 'copy /b' on Windows\n"
                              "  ('cat' elsewhere), and checks them with the list (the PowerShell\n"
                              "  lines of README.txt, or 'sha256sum -c').\n"
                              "joiner copied from: " ELF_FIXTURE "\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ListNames(dir.Path().string()),
              (std::set<std::string>{"A\xC3\xB1o caf\xC3\xA9.dat", "A\xC3\xB1o caf\xC3\xA9.dat__000",
                                     "A\xC3\xB1o caf\xC3\xA9.dat__001",
                                     "A\xC3\xB1o caf\xC3\xA9.dat__002",
                                     "A\xC3\xB1o caf\xC3\xA9.dat__join",
                                     "A\xC3\xB1o caf\xC3\xA9.dat.sha256",
                                     "A\xC3\xB1o caf\xC3\xA9.dat.par2",
                                     "A\xC3\xB1o caf\xC3\xA9.dat.vol0+1.par2"}));
    // The parts are named in UTF-8 in the recovery files, as on disk.
    if (HavePar2()) {
        EXPECT_EQ(Shell("cd " + Quote(dir.Path().string()) + " && par2 verify -q " + Quote(name + ".par2") +
                        " >/dev/null 2>&1 && echo correct"),
                  "correct\n");
    }
    // The list is what sha256sum prints for the parts and the file, in that
    // order, named in UTF-8 as they are on disk.
    EXPECT_EQ(ReadWholeFile(file + ".sha256"),
              Shell("cd " + Quote(dir.Path().string()) + " && sha256sum " + Quote(name + "__000") +
                    " " + Quote(name + "__001") + " " + Quote(name + "__002") + " " + Quote(name)));
    EXPECT_TRUE(ReadFileBytes(file) == data);

    // The record holds the name in Windows-1252.
    auto fields = RunJoiner(file + "__join");
    EXPECT_EQ(fields["name"], "A\xF1o caf\xE9.dat");
    EXPECT_EQ(fields["count"], "3");
    struct stat info;
    ASSERT_EQ(stat((file + "__join").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u) << "the joiner copy is executable";

    // A stamped joiner is stamped again, whole; the first is left as it was.
    // Without a list, the summary names none.
    WriteFile(dir / "second", 9000, 2);
    result = Split({dir / "second", "--size", "1K", "--checksum", "md5", "--joiner",
                    file + "__join", "--no-list"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_FALSE(fs::exists(dir / "second.sha256"));
    EXPECT_EQ(result.out.find("checksum list"), std::string::npos) << result.out;
    fields = RunJoiner(dir / "second__join");
    EXPECT_EQ(fields["name"] + " " + fields["size"] + " " + fields["count"] + " " + fields["kind"],
              "second 9000 9 1");
    EXPECT_EQ(RunJoiner(file + "__join")["name"], "A\xF1o caf\xE9.dat");
}

// The last line of a summary names the joiner copied.
std::string CopiedFrom(const Result& result) {
    size_t at = result.out.rfind("joiner copied from: ");
    if (at == std::string::npos || result.out.back() != '\n') return "(none: " + result.out + ")";
    return result.out.substr(at + 20, result.out.size() - at - 21);
}

// A copy of the tool in dir/a/bin. In its build tree (a CMakeCache.txt
// beside it) it takes the Windows build's joiner; anywhere else that place
// is never looked at, and the help and the messages speak of the installed
// tree.
TEST(SplitCli, TheBuildTreesJoinerIsTakenOnlyInTheBuildTree) {
    TempDir dir{TempDir::kStay};
    std::string bin = dir / "a/bin";
    fs::create_directories(bin);
    std::string tool = bin + "/vantorel-split";
    fs::copy_file(kTool, tool);
    fs::permissions(tool, fs::perms::owner_all);
    WriteFile(dir / "file", 100, 3);
    fs::create_directories(dir / "out");
    std::string joiner = fs::weakly_canonical(bin + "/" + DEFAULT_JOINER_RELATIVE).string();
    fs::create_directories(fs::path(joiner).parent_path());
    fs::copy_file(ELF_FIXTURE, joiner);

    Result result = RunProgram({tool, dir / "file", "--parts", "2", "--out", dir / "out"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vantorel-split: no joiner at '" + bin + "/" INSTALLED_JOINER_RELATIVE
                          "', where it is installed with this program; give one with --joiner "
                          "PATH\n");
    EXPECT_TRUE(ListNames(dir / "out").empty());
    Result help = RunProgram({tool, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("installed\n                     with this program, found from its "
                            "folder at\n                     " INSTALLED_JOINER_RELATIVE ")\n"),
              std::string::npos)
        << help.out;
    EXPECT_EQ(help.out.find("build tree"), std::string::npos) << help.out;

    WriteWholeFile(bin + "/CMakeCache.txt", "");
    result = RunProgram({tool, dir / "file", "--parts", "2", "--out", dir / "out"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(RunJoiner(dir / "out/file__join")["count"], "2");
    EXPECT_EQ(CopiedFrom(result), joiner);
    help = RunProgram({tool, "--help"});
    EXPECT_NE(help.out.find("build tree, found from this program's folder at\n"
                            "                     " DEFAULT_JOINER_RELATIVE ")\n"),
              std::string::npos)
        << help.out;

    fs::remove(joiner);
    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");
    result = RunProgram({tool, dir / "file", "--parts", "2", "--out", dir / "out"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("no joiner at '" + bin + "/" DEFAULT_JOINER_RELATIVE
                              "', the default in this build tree (is the Windows joiner built?)"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(ListNames(dir / "out").empty());
}

// An installed tree: bin/vantorel-split finds bin/../share/selvanore/Selvanore.exe,
// wherever the tree is moved and through a link to the tool, when no one else
// could have put it there.
TEST(SplitCli, AnInstalledTreeFindsItsJoinerWhereverItLies) {
    TempDir dir{TempDir::kStay};
    fs::create_directories(dir / "tree/bin");
    fs::create_directories(dir / "out");
    fs::copy_file(kTool, dir / "tree/bin/vantorel-split");
    fs::permissions(dir / "tree/bin/vantorel-split", fs::perms::owner_all);
    std::string installed = dir / ("tree/bin/" INSTALLED_JOINER_RELATIVE);
    fs::create_directories(fs::path(installed).parent_path());
    fs::copy_file(ELF_FIXTURE, installed);
    WriteFile(dir / "file", 300, 5);

    Result result = RunProgram({dir / "tree/bin/vantorel-split", dir / "file", "--parts", "2",
                                "--out", dir / "out"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(RunJoiner(dir / "out/file__join")["count"], "2");
    EXPECT_EQ(CopiedFrom(result), fs::canonical(installed).string());
    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");

    // In a folder someone else may write, the default is not stamped and
    // shipped; the same file given with --joiner is the user's choice.
    std::string share = fs::canonical(fs::path(installed).parent_path()).string();
    chmod(share.c_str(), 0775);
    result = RunProgram({dir / "tree/bin/vantorel-split", dir / "file", "--parts", "2", "--out",
                         dir / "out"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vantorel-split: the default joiner '" + installed +
                              "' is refused: the folder '" + share +
                              "' is writable by its group, so someone else could have put it "
                              "there; give a joiner you trust with --joiner PATH\n");
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(ListNames(dir / "out").empty());
    result = RunProgram({dir / "tree/bin/vantorel-split", dir / "file", "--parts", "2",
                         "--joiner", installed, "--out", dir / "out"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(CopiedFrom(result), installed);
    chmod(share.c_str(), 0755);
    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");

    // Moved, and started through a link from elsewhere.
    fs::rename(dir / "tree", dir / "moved");
    fs::create_symlink(dir / "moved/bin/vantorel-split", dir / "link");
    result = RunProgram({dir / "link", dir / "file", "--parts", "3", "--out", dir / "out"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(RunJoiner(dir / "out/file__join")["count"], "3");
    fs::remove_all(dir / "out");
    fs::create_directories(dir / "out");

    // The place holding something that is no joiner is reported.
    WriteWholeFile(dir / ("moved/bin/" INSTALLED_JOINER_RELATIVE), std::string(64, 'x'));
    result = RunProgram({dir / "link", dir / "file", "--parts", "2", "--out", dir / "out"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot be used"), std::string::npos) << result.err;
    EXPECT_TRUE(ListNames(dir / "out").empty());
}

// --for linux takes the Linux joiner by the same rules: in the build tree
// the one beside the tool, elsewhere bin/../share/selvanore/selvanore, only
// when no one else could have put it there; stamped as NAME__join, a
// program. --joiner still overrides.
TEST(SplitCli, TheLinuxJoinerIsFoundByTheSameRules) {
    TempDir dir{TempDir::kStay};
    std::string bin = dir / "tree/bin";
    fs::create_directories(bin);
    fs::create_directories(dir / "out");
    std::string tool = bin + "/vantorel-split";
    fs::copy_file(kTool, tool);
    fs::permissions(tool, fs::perms::owner_all);
    WriteFile(dir / "file", 500, 8);
    std::string built = fs::weakly_canonical(bin + "/" DEFAULT_LINUX_JOINER_RELATIVE).string();
    std::string installed = bin + "/" INSTALLED_LINUX_JOINER_RELATIVE;
    fs::copy_file(ELF_FIXTURE, built);
    auto cut = [&](std::vector<std::string> more = {}) {
        std::vector<std::string> args = {tool, dir / "file", "--parts", "2", "--for", "linux",
                                         "--out", dir / "out"};
        args.insert(args.end(), more.begin(), more.end());
        return RunProgram(args);
    };
    auto empty = [&] {
        fs::remove_all(dir / "out");
        fs::create_directories(dir / "out");
    };

    // An installed tree never looks at the build tree's place.
    Result result = cut();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vantorel-split: no joiner at '" + installed +
                              "', where it is installed with this program; give one with "
                              "--joiner PATH\n");
    EXPECT_TRUE(ListNames(dir / "out").empty());
    Result help = RunProgram({tool, "--help"});
    EXPECT_NE(help.out.find("or linux, the Linux joiner installed with this program,\n"
                            "                     found from its folder at\n"
                            "                     " INSTALLED_LINUX_JOINER_RELATIVE "\n"),
              std::string::npos)
        << help.out;

    fs::create_directories(fs::path(installed).parent_path());
    fs::copy_file(ELF_FIXTURE, installed);
    mode_t mask = umask(022);
    result = cut();
    umask(mask);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(CopiedFrom(result), fs::canonical(installed).string());
    EXPECT_NE(result.out.find("\njoiner: " + dir / "out/file__join\n"), std::string::npos)
        << result.out;
    struct stat info;
    ASSERT_EQ(stat((dir / "out/file__join").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    EXPECT_EQ(RunJoiner(dir / "out/file__join")["count"], "2");
    empty();

    // The ownership rule of a default joiner.
    std::string share = fs::canonical(fs::path(installed).parent_path()).string();
    chmod(share.c_str(), 0775);
    result = cut();
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("the default joiner '" + installed + "' is refused: the folder '" +
                              share + "' is writable by its group"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(ListNames(dir / "out").empty());
    chmod(share.c_str(), 0755);

    // In the build tree, the joiner built beside the tool; missing, in the
    // words of the build tree.
    WriteWholeFile(bin + "/CMakeCache.txt", "");
    result = cut();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(CopiedFrom(result), built);
    help = RunProgram({tool, "--help"});
    EXPECT_NE(help.out.find("or linux, the Linux joiner of this build tree, found\n"
                            "                     from this program's folder at\n"
                            "                     " DEFAULT_LINUX_JOINER_RELATIVE "\n"),
              std::string::npos)
        << help.out;
    empty();
    fs::remove(built);
    result = cut();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vantorel-split: no joiner at '" + bin + "/" DEFAULT_LINUX_JOINER_RELATIVE
                          "', the default in this build tree (is the Linux joiner built?); give "
                          "one with --joiner PATH\n");

    // A joiner given is taken, whatever --for says.
    if (!std::string(PE_FIXTURE).empty()) {
        result = cut({"--joiner", PE_FIXTURE});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(fs::exists(dir / "out/file__join.exe"));
    }
}

TEST(SplitCli, AWindowsJoinerIsStampedInItsResource) {
    if (std::string(PE_FIXTURE).empty()) GTEST_SKIP() << "no mingw-w64 compiler was found";
    TempDir dir{TempDir::kStay};
    WriteFile(dir / "file.iso", 4321, 9);
    Result result = Split({dir / "file.iso", "--parts", "4", "--checksum", "sha1", "--joiner",
                           PE_FIXTURE});
    ASSERT_EQ(result.status, 0) << result.err;
    Bytes original = ReadFileBytes(PE_FIXTURE);
    Bytes copy = ReadFileBytes(dir / "file.iso__join.exe");
    Bytes templ = ReadFileBytes(JOINDESC_FILE);
    ASSERT_EQ(copy.size(), original.size());
    size_t at = static_cast<size_t>(
        std::search(original.begin(), original.end(), templ.begin(), templ.end()) -
        original.begin());
    ASSERT_LT(at, original.size());

    RecordLocation name;
    ASSERT_TRUE(LocateRecord(original.data(), original.size(), &name, kNameRecordPlace));

    // Only the records' bytes changed, and they hold what was cut.
    for (size_t i = 0; i < copy.size(); ++i) {
        if ((i < at || i >= at + kRecordSize) && (i < name.offset || i >= name.offset + kNameRecordSize)) {
            ASSERT_EQ(copy[i], original[i]) << i;
        }
    }
    std::string exact;
    ASSERT_TRUE(DecodeNameRecord(copy.data() + name.offset, &exact));
    EXPECT_EQ(exact, "file.iso");
    JoinRecord record;
    DecodeRecord(copy.data() + at, &record);
    std::string sha1 = Shell("sha1sum " + Quote(dir / "file.iso"));
    EXPECT_EQ(std::string(record.checksumText), sha1.substr(0, 40));
    EXPECT_EQ(record.checksumKind, 2u);
    EXPECT_EQ(record.expectedSize, 4321u);
    EXPECT_EQ(record.partCount, 4u);
    EXPECT_STREQ(record.outputName, "file.iso");
}

TEST(SplitCli, TheDescriptorProbeReadsWhatWasStamped) {
    if (std::string(PROBE_FILE).empty()) GTEST_SKIP() << "the build has no descriptor probe";
    TempDir dir{TempDir::kStay};
    WriteFile(dir / "caf\xC3\xA9.bin", 77777, 4);
    Result result = Split({dir / "caf\xC3\xA9.bin", "--parts", "5", "--checksum", "sha224",
                           "--joiner", PROBE_FILE});
    ASSERT_EQ(result.status, 0) << result.err;
    std::string sum = Shell("sha224sum " + Quote(dir / "caf\xC3\xA9.bin")).substr(0, 56);
    Result probe = RunProgram({dir / "caf\xC3\xA9.bin__join"});
    EXPECT_EQ(probe.status, 0);
    EXPECT_EQ(probe.out, "kind=3\nsize=77777\ncount=5\nname=caf\xE9.bin\nchecksum=" + sum +
                             "\nengine=SHA-224\n");
}

TEST(SplitCli, ProgressShowsOnATerminal) {
    TempDir dir{TempDir::kStay};
    std::string file = dir / "big";
    WriteWholeFile(file, std::string(32u << 20, 'Z'));
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(kTool, kTool, file.c_str(), "--parts", "3", "--joiner", ELF_FIXTURE,
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string screen;
    char chunk[4096];
    ssize_t n;
    while ((n = read(master, chunk, sizeof chunk)) > 0) screen.append(chunk, static_cast<size_t>(n));
    close(master);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    EXPECT_NE(screen.find("\rcutting big: 100%"), std::string::npos) << screen;
    EXPECT_NE(screen.find("\rrecovery data of big: 100%"), std::string::npos) << screen;
    EXPECT_NE(screen.find("big: 33554432 bytes in 3 parts"), std::string::npos) << screen;
}

// ---- Refusals --------------------------------------------------------------

class SplitRefuses : public ::testing::Test {
protected:
    void SetUp() override {
        in = dir / "in";
        out = dir / "out";
        fs::create_directories(in);
        fs::create_directories(out);
        file = in + "/data.bin";
        WriteFile(file, 1000, 11);
    }
    void Refused(std::vector<std::string> args, const std::string& reason, int status = 1) {
        ExpectRefused(args, {in, out}, reason, status);
        EXPECT_TRUE(ReadFileBytes(file) == SeededBytes(1000, 11)) << "the input changed";
    }
    std::vector<std::string> With(std::vector<std::string> args) {
        args.insert(args.end(), {"--joiner", ELF_FIXTURE, "--out", out});
        return args;
    }
    // Starts cutting a 256 MiB file into 1 MiB parts and waits until the
    // output directory holds that many files: the cut is under way.
    pid_t StartBigCut(size_t files, const std::string& scratch) {
        std::string big = in + "/big";
        int fd = open(big.c_str(), O_WRONLY | O_CREAT, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(ftruncate(fd, 256 << 20), 0);
        close(fd);
        pid_t pid = Spawn({kTool, big, "--size", "1M", "--joiner", ELF_FIXTURE, "--out", out},
                          scratch);
        EXPECT_GT(pid, 0);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (ListNames(out).size() < files && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return pid;
    }
    // The same, then sends the signal and waits for the tool.
    Result SignalBigCut(size_t files, int signal) {
        TempDir scratch(TempDir::kStay);
        pid_t pid = StartBigCut(files, scratch.Path().string());
        kill(pid, signal);
        return Wait(pid, scratch.Path().string());
    }

    TempDir dir{TempDir::kStay};
    std::string in, out, file;
};

// The reasons are the option parser's (unit tests); the tool's contract is
// the exit status, the reason and the hint, and nothing written.
TEST_F(SplitRefuses, BadCommandLines) {
    const struct {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{file, "--parts", "2", "--size", "10"}, "give exactly one of --parts N (-n) and --size SIZE (-b)"},
        {{file, "-n", "2", "--bogus"}, "unknown option '--bogus'"},
        {{file, "-b", "1x", "--out", out}, "--size takes a number of bytes"},
        {{file, "-n", "2", "--che", "sha-384"}, "--checksum takes none, md5"},
        {{file}, "give exactly one of"},
        {{}, "no FILE given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        Result result = Split(c.args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind(std::string("vantorel-split: ") + c.reason, 0), 0u) << result.err;
        EXPECT_EQ(result.err.substr(result.err.find('\n') + 1),
                  "Try 'vantorel-split --help' for more information.\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(ListNames(out), std::set<std::string>());
        EXPECT_EQ(ListNames(in), std::set<std::string>{"data.bin"});
    }
}

// The GNU habits as users type them: the help by -h, --help or a part of
// it, the version, and a cut by short and cut-short options.
TEST_F(SplitRefuses, HelpVersionAndShortOptions) {
    Result help = Split({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: vantorel-split FILE (-n N | -b SIZE)", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    for (const char* word : {"-h", "--he"}) {
        Result same = Split({file, word});
        EXPECT_EQ(same.status, 0) << word;
        EXPECT_EQ(same.out, help.out) << word;
    }
    Result version = Split({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vantorel-split " VERSION "\n");
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(ListNames(out), std::set<std::string>());

    Result cut = Split({file, "-n2", "--che", "SHA-1", "--no-l", "--j", ELF_FIXTURE, "--o", out});
    EXPECT_EQ(cut.status, 0) << cut.err;
    EXPECT_NE(cut.out.find("SHA-1: "), std::string::npos) << cut.out;
    EXPECT_EQ(ListNames(out),
              (std::set<std::string>{"data.bin__000", "data.bin__001", "data.bin__join"}));
}

// Every reason a plan is refused for, in words; which cuts are refused is
// the unit tests'.
TEST_F(SplitRefuses, InputsThatCannotBeCut) {
    Refused(With({in + "/missing", "--parts", "2"}), "cannot open");
    Refused(With({in, "--parts", "2"}), "not a regular file");
    Refused(With({file, "--size", "1000"}), "fewer than 2 parts");
    Refused(With({file, "--size", "0"}), "0 bytes");
    Refused(With({file, "--parts", "1001"}), "fewer bytes than parts");
    // A count no set may have is refused before a byte is read, by either
    // option: at once, however large the file.
    Refused(With({file, "--parts", "10001"}), "more than 10000 parts");
    std::string big = in + "/big";
    WriteWholeFile(big, "");
    ASSERT_EQ(truncate(big.c_str(), 5ll << 30), 0);
    Refused(With({big, "--size", "524288"}), "more than 10000 parts");
    fs::remove(big);
    WriteWholeFile(in + "/empty", "");
    Refused(With({in + "/empty", "--parts", "2"}), "it is empty");
    if (geteuid() != 0) {
        chmod(file.c_str(), 0);
        Refused(With({file, "--parts", "2"}), "Permission denied");
        chmod(file.c_str(), 0644);
    }
}

TEST_F(SplitRefuses, NamesTheJoinerCannotUse) {
    // The message shows the name with what a terminal would act on escaped.
    // Which names are refused is the unit tests'; here each reason in words.
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"bad\xFF.bin", "the name 'bad\\xff.bin' is not valid UTF-8 (at byte 3)"},
        {"c1\xC2\x81.bin",
         "the name 'c1\\u0081.bin' has a control character or one Windows does not allow in "
         "file names; rename the file"},
        {"red\x1b[31m\x1b]0;title\x07.bin",
         "the name 'red\\x1b[31m\\x1b]0;title\\x07.bin' has a control character or one Windows "
         "does not allow in file names; rename the file"},
        // The joiner stand-in has no name record, as a joiner of an older
        // version: it cannot carry a name beyond Windows-1252.
        {"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.bin",
         "the name '\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.bin' has a character that "
         "Windows-1252 cannot represent, and the joiner has no record for such names"},
    };
    for (const auto& c : cases) {
        std::string path = in + "/" + c.name;
        WriteFile(path, 100, 1);
        Refused(With({path, "--parts", "2"}), c.reason, 2);
        fs::remove(path);
    }

    // 250 bytes: the parts' names fit in 255, the Windows joiner's does not.
    std::string longName = in + "/" + std::string(250, 'n');
    WriteFile(longName, 100, 1);
    if (!std::string(PE_FIXTURE).empty()) {
        ExpectRefused({longName, "--parts", "2", "--joiner", PE_FIXTURE, "--out", out, "--no-list"},
                      {in, out}, "too long", 2);
    }
    fs::remove(longName);
    // 249 bytes: the parts' and the Linux joiner's names fit, the list's does not.
    longName = in + "/" + std::string(249, 'n');
    WriteFile(longName, 100, 1);
    Refused(With({longName, "--parts", "2"}),
            "the name '" + std::string(249, 'n') + "' is too long: '" + std::string(249, 'n') +
                ".sha256' would exceed the 255 bytes a file name can have",
            2);
    Result result = Split(With({longName, "--parts", "2", "--no-list"}));
    EXPECT_EQ(result.status, 0) << result.err;
    fs::remove_all(out);
    fs::create_directories(out);
    fs::remove(longName);
    longName = in + "/" + std::string(251, 'n');
    WriteFile(longName, 100, 1);
    Refused(With({longName, "--parts", "2"}), "too long", 2);
}

TEST_F(SplitRefuses, JoinersWithoutAUsableRecord) {
    Refused({file, "--parts", "2", "--joiner", in + "/nothing", "--out", out}, "cannot open");
    WriteWholeFile(in + "/script", "#!/bin\n");
    Refused({file, "--parts", "2", "--joiner", in + "/script", "--out", out}, "not a PE or");
    Refused({file, "--parts", "2", "--joiner", in, "--out", out}, "not a regular file");

    // Joiners changed by objcopy, independently of this tool's reading.
    std::string fixture = Quote(ELF_FIXTURE);
    WriteFile(dir / "short", 100, 1);
    WriteFile(dir / "garbage", kRecordSize, 1);
    std::string joiner = dir / "joiner";
    const struct {
        std::string objcopy;
        const char* reason;
    } cases[] = {
        {"--remove-section .joindesc " + fixture + " " + Quote(joiner), "no join record"},
        {"--update-section .joindesc=" + Quote(dir / "short") + " " + fixture + " " +
             Quote(joiner),
         "not 722 bytes"},
        {"--update-section .joindesc=" + Quote(dir / "garbage") + " " + fixture + " " +
             Quote(joiner),
         "neither the template"},
        // objcopy adds no section of a name already taken; it renames to one.
        {"--add-section .extra=" + Quote(dir / "garbage") + " " + fixture + " " +
             Quote(dir / "extra") + " && objcopy --rename-section .extra=.joindesc " +
             Quote(dir / "extra") + " " + Quote(joiner),
         "more than one join record"},
    };
    for (const auto& c : cases) {
        fs::remove(joiner);
        Shell("objcopy " + c.objcopy);
        ASSERT_TRUE(fs::exists(joiner)) << c.objcopy;
        Refused({file, "--parts", "2", "--joiner", joiner, "--out", out}, c.reason);
    }
}

TEST_F(SplitRefuses, OutputDirectoriesThatCannotBeUsed) {
    Refused({file, "--parts", "2", "--joiner", ELF_FIXTURE, "--out", dir / "nowhere"},
            "does not exist");
    Refused({file, "--parts", "2", "--joiner", ELF_FIXTURE, "--out", file}, "is not a directory");
}

TEST_F(SplitRefuses, NothingIsOverwritten) {
    WriteWholeFile(out + "/data.bin__001", "keep");
    Refused(With({file, "--parts", "3"}),
            "vantorel-split: '" + out + "/data.bin__001' already exists; remove it or choose "
            "another --out\n");
    EXPECT_EQ(ReadWholeFile(out + "/data.bin__001"), "keep");
    fs::remove(out + "/data.bin__001");

    WriteWholeFile(out + "/data.bin__join", "k");
    Refused(With({file, "--parts", "3"}), "already exists");
    fs::remove(out + "/data.bin__join");

    // An earlier set's list too; without a list it is no output of the run.
    WriteWholeFile(out + "/data.bin.sha256", "keep");
    Refused(With({file, "--parts", "3"}),
            "vantorel-split: '" + out + "/data.bin.sha256' already exists; remove it or choose "
            "another --out\n");
    EXPECT_EQ(ReadWholeFile(out + "/data.bin.sha256"), "keep");
    EXPECT_EQ(Split(With({file, "--parts", "3", "--no-list"})).status, 0);
    EXPECT_EQ(ReadWholeFile(out + "/data.bin.sha256"), "keep");
    for (const char* made : {"data.bin__000", "data.bin__001", "data.bin__002", "data.bin__join",
                             "data.bin.sha256"}) {
        fs::remove(out + "/" + made);
    }

    // A part name that is a dangling link must not be written through.
    fs::create_symlink(dir / "dangling", out + "/data.bin__002");
    Refused(With({file, "--parts", "3"}), "already exists");
    EXPECT_FALSE(fs::exists(dir / "dangling"));
}

TEST_F(SplitRefuses, AFullDiskLeavesNothingBehind) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    if (mount("tmpfs", out.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs: " << std::strerror(errno);
    }
    WriteFile(in + "/three", 3u << 20, 12);
    ExpectRefused(With({in + "/three", "--parts", "3"}), {in, out}, "No space left on device");
    EXPECT_TRUE(ListNames(out).empty());
    // Room for the parts but not for the joiner copy.
    WriteFile(in + "/fits", (1u << 20) - 8192, 13);
    ExpectRefused(With({in + "/fits", "--parts", "2"}), {in, out}, "No space left on device");
    EXPECT_TRUE(ListNames(out).empty());
    EXPECT_EQ(umount(out.c_str()), 0);
}

TEST_F(SplitRefuses, AnInterruptionLeavesNothingBehind) {
    // The joiner and two parts begun.
    Result result = SignalBigCut(3, SIGINT);
    if (result.status == 0) GTEST_SKIP() << "the cut ended before the interruption arrived";
    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_NE(result.err.find("interrupted"), std::string::npos) << result.err;
    EXPECT_TRUE(ListNames(out).empty());
}

TEST_F(SplitRefuses, AKilledRunLeavesNoSetThatLooksComplete) {
    Result result = SignalBigCut(4, SIGKILL);
    if (result.status == 0) GTEST_SKIP() << "the cut ended before it was killed";
    // What is left is hidden temporary files: no part and no joiner by name.
    std::set<std::string> left = ListNames(out);
    for (const std::string& name : left) {
        EXPECT_EQ(name.rfind(".vantorel-split-", 0), 0u) << name;
    }

    // They never block a later cut into the folder, which names them in one
    // warning and leaves them.
    Result again = Split(With({file, "--parts", "2"}));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err, "vantorel-split: warning: '" + out + "' holds " +
                             std::to_string(left.size()) +
                             " temporary files (.vantorel-split-*) of an earlier run, left over "
                             "when it was interrupted unless a cut into it is under way; they "
                             "can be removed\n");
    std::set<std::string> now = ListNames(out);
    EXPECT_TRUE(std::includes(now.begin(), now.end(), left.begin(), left.end()));
    EXPECT_EQ(now.size(), left.size() + 4);
}

// The loser of a race for a name (another cut of the same file, any
// program) keeps nothing and prints nothing of the set it did not make.
TEST_F(SplitRefuses, ANameTakenDuringTheCutLeavesNothingAndNoSummary) {
    TempDir scratch(TempDir::kStay);
    pid_t pid = StartBigCut(3, scratch.Path().string());
    WriteWholeFile(out + "/big__000", "theirs");
    Result result = Wait(pid, scratch.Path().string());
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "vantorel-split: cannot name '" + out +
                              "/big__000': File exists (nothing was kept)\n");
    EXPECT_EQ(ListNames(out), (std::set<std::string>{"big__000"}));
    EXPECT_EQ(ReadWholeFile(out + "/big__000"), "theirs");
}

TEST_F(SplitRefuses, AFileSizeLimitIsAWriteError) {
    // Parts of 2 MiB against a limit of 1 MiB at most (ulimit counts 512- or
    // 1024-byte blocks, depending on the shell).
    WriteFile(in + "/four", 4u << 20, 14);
    Result result = RunProgram({"/bin/sh", "-c",
                                "ulimit -f 1024; exec " + Quote(kTool) + " " +
                                    Quote(in + "/four") + " --parts 2 --joiner " +
                                    Quote(ELF_FIXTURE) + " --out " + Quote(out)});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("nothing was kept"), std::string::npos) << result.err;
    EXPECT_TRUE(ListNames(out).empty());
}

TEST_F(SplitRefuses, ASummaryThatCannotBeWrittenFailsTheRun) {
    TempDir scratch(TempDir::kStay);
    pid_t pid = Spawn({kTool, file, "--parts", "2", "--joiner", ELF_FIXTURE, "--out", out},
                      scratch.Path().string(), "", "/dev/full");
    Result result = Wait(pid, scratch.Path().string());
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find("summary"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
    EXPECT_TRUE(ListNames(out).empty());
}

TEST_F(SplitRefuses, NamesWindowsKeepsForDevicesOrChanges) {
    // An unrelated file the name without its final dot or space would hit.
    WriteWholeFile(out + "/data", "keep");
    WriteWholeFile(out + "/note", "keep");
    // Which names Windows keeps for itself is the unit tests'; here the
    // contract: exit status 2, each reason in words, nothing touched.
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"NUL.txt",
         "the name 'NUL.txt' is a device name on Windows: the joiner could not write the file; "
         "rename the file"},
        {"data.",
         "the name 'data.' ends in a dot or a space, which Windows drops: the joiner would write "
         "another file; rename the file"},
        {"note ", "the name 'note ' ends in a dot or a space"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = in + "/" + c.name;
        WriteFile(path, 100, 1);
        Refused(With({path, "--parts", "2"}), c.reason, 2);
        fs::remove(path);
    }
    EXPECT_EQ(ReadWholeFile(out + "/data"), "keep");
    EXPECT_EQ(ReadWholeFile(out + "/note"), "keep");

}

// A FIFO or a device is refused at once by the system layer (its tests), as a
// directory is above. A descriptor link names a file elsewhere than in the
// directory it is in: the parts must not land in /dev.
TEST_F(SplitRefuses, AnOpenStreamIsNoFileInADirectory) {
    TempDir scratch(TempDir::kStay);
    pid_t pid = Spawn({kTool, "/dev/stdin", "--parts", "2", "--joiner", ELF_FIXTURE},
                      scratch.Path().string(), file);
    Result result = Wait(pid, scratch.Path().string(), 20);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.err, "vantorel-split: '/dev/stdin' is an open stream, not a file in a "
                          "directory; give the file's own path\n");
    for (const char* made : {"/dev/stdin__000", "/dev/stdin__001", "/dev/stdin__join"}) {
        EXPECT_FALSE(fs::exists(fs::symlink_status(made))) << made;
        std::error_code error;
        fs::remove(made, error);
    }
}

TEST(SplitCli, ALongWindowsJoinerNameIsWarnedOf) {
    if (std::string(PE_FIXTURE).empty()) GTEST_SKIP() << "no mingw-w64 compiler was found";
    TempDir dir{TempDir::kStay};
    // 190 + "__join.exe" is 200 characters: no warning; one more warns.
    for (size_t length : {190u, 191u}) {
        std::string name = std::string(length - 1, 'n') + "\xC3\xA9";  // one character, 2 bytes
        WriteFile(dir / name, 100, 1);
        Result result = Split({dir / name, "--parts", "2", "--joiner", PE_FIXTURE});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(fs::exists(dir / (name + "__join.exe")));
        if (length == 190) {
            EXPECT_EQ(result.err, "");
        } else {
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
            EXPECT_EQ(result.err.rfind("vantorel-split: warning: ", 0), 0u) << result.err;
            EXPECT_NE(result.err.find("201 characters"), std::string::npos) << result.err;
        }
    }
}

// ---- Recovery data -----------------------------------------------------------

// How many recovery slices, by the option or by the part count, and the
// files par2 names for them; a count the set cannot use and an earlier
// set's recovery file are refused before anything is written.
TEST_F(SplitRefuses, RecoveryFilesFollowTheirOption) {
    const struct {
        const char* parts;
        const char* recovery;  // nullptr: the default
        std::set<std::string> files;
    } cases[] = {
        {"2", nullptr, {}},
        {"3", nullptr, {"data.bin.par2", "data.bin.vol0+1.par2"}},
        {"2", "1", {"data.bin.par2", "data.bin.vol0+1.par2"}},
        {"4", "0", {}},
        {"4", "3", {"data.bin.par2", "data.bin.vol0+1.par2", "data.bin.vol1+2.par2"}},
        {"4", "4", {"data.bin.par2", "data.bin.vol0+1.par2", "data.bin.vol1+2.par2", "data.bin.vol3+1.par2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.parts) + " parts, --recovery " + (c.recovery ? c.recovery : "default"));
        std::vector<std::string> args = {file, "--parts", c.parts, "--no-list"};
        if (c.recovery != nullptr) args.insert(args.end(), {"--recovery", c.recovery});
        Result result = Split(With(args));
        ASSERT_EQ(result.status, 0) << result.err;
        std::set<std::string> made = ListNames(out);
        std::set<std::string> recovery;
        for (const std::string& name : made) {
            if (name.find(".par2") != std::string::npos) recovery.insert(name);
        }
        EXPECT_EQ(recovery, c.files);
        EXPECT_EQ(result.out.find("recovery data: ") != std::string::npos, !c.files.empty()) << result.out;
        if (!c.files.empty() && HavePar2()) {
            EXPECT_EQ(Shell("cd " + Quote(out) + " && par2 verify -q data.bin.par2 >/dev/null 2>&1 && echo correct"),
                      "correct\n");
        }
        for (const std::string& name : made) fs::remove(out + "/" + name);
    }

    Refused(With({file, "--parts", "3", "--recovery", "4"}),
            "vantorel-split: --recovery 4 is more than the 3 parts of 'data.bin': a recovery slice "
            "rebuilds one part, so at most 3 are useful\n",
            2);
    for (const char* value : {"x", "-1", "10001", "1.5", ""}) {
        Result result = Split(With({file, "--parts", "3", "--recovery", value}));
        EXPECT_EQ(result.status, 2) << value;
        EXPECT_EQ(result.err.rfind("vantorel-split: --recovery takes a whole number from 0 to 10000", 0), 0u)
            << result.err;
        EXPECT_TRUE(ListNames(out).empty());
    }

    // An earlier set's recovery file is never overwritten; without recovery
    // data it is no output of the run.
    for (const char* earlier : {"data.bin.par2", "data.bin.vol1+2.par2"}) {
        WriteWholeFile(out + "/" + earlier, "keep");
        Refused(With({file, "--parts", "5", "--recovery", "3"}),
                "vantorel-split: '" + out + "/" + earlier + "' already exists; remove it or choose another --out\n");
        EXPECT_EQ(ReadWholeFile(out + "/" + earlier), "keep");
        fs::remove(out + "/" + earlier);
    }
    WriteWholeFile(out + "/data.bin.par2", "keep");
    EXPECT_EQ(Split(With({file, "--parts", "5", "--recovery", "0"})).status, 0);
    EXPECT_EQ(ReadWholeFile(out + "/data.bin.par2"), "keep");
}

// par2 as the recipient's tool: a set cut with two recovery slices is
// repaired after any two of its parts are lost or damaged, with a recovery
// file lost too when one slice is enough; three are too many.
TEST(SplitCli, Par2RebuildsTheLostAndDamagedPartsOfASet) {
    if (!HavePar2()) GTEST_SKIP() << "par2 is not installed (scripts/setup installs it)";
    TempDir dir{TempDir::kStay};
    std::string set = dir / "set";
    fs::create_directories(set);
    // Six parts, the last one longer and of an odd length.
    WriteFile(set + "/v.bin", 6 * 100003 + 5, 21);
    Result result = Split({set + "/v.bin", "--parts", "6", "--recovery", "2", "--joiner", ELF_FIXTURE});
    ASSERT_EQ(result.status, 0) << result.err;
    fs::remove(set + "/v.bin");
    std::vector<std::string> originals;
    for (int i = 0; i < 6; ++i) originals.push_back(ReadWholeFile(set + "/v.bin__00" + std::to_string(i)));

    const struct {
        std::vector<int> deleted;
        std::vector<int> damaged;
        const char* recoveryLost;  // a recovery file deleted too
        bool repairable;
    } cases[] = {
        {{0, 5}, {}, nullptr, true},
        {{4}, {2}, nullptr, true},
        {{}, {1, 3}, nullptr, true},
        {{3}, {}, "v.bin.vol0+1.par2", true},
        {{2}, {}, "v.bin.vol1+1.par2", true},
        {{0, 1}, {2}, nullptr, false},
        {{0, 1}, {}, "v.bin.vol0+1.par2", false},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(round));
        std::string copy = dir / ("copy" + std::to_string(round++));
        fs::copy(set, copy);
        for (int i : c.deleted) fs::remove(copy + "/v.bin__00" + std::to_string(i));
        for (int i : c.damaged) {
            std::string name = copy + "/v.bin__00" + std::to_string(i);
            std::string bytes = ReadWholeFile(name);
            bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x40);
            WriteWholeFile(name, bytes);
        }
        if (c.recoveryLost != nullptr) fs::remove(copy + "/" + c.recoveryLost);
        std::string repaired = Shell("cd " + Quote(copy) + " && par2 repair v.bin.par2 >/dev/null 2>&1 && echo repaired");
        if (!c.repairable) {
            EXPECT_EQ(repaired, "");
            continue;
        }
        ASSERT_EQ(repaired, "repaired\n");
        for (int i = 0; i < 6; ++i) {
            EXPECT_TRUE(ReadWholeFile(copy + "/v.bin__00" + std::to_string(i)) == originals[i]) << "part " << i;
        }
    }
}

}  // namespace

// The splitter's command line, name checks, operating-system layer and
// output set, called directly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/read_file.h"
#include "tools/split/cut.h"
#include "tools/split/input.h"
#include "tools/split/names.h"
#include "tools/split/options.h"
#include "tools/split/os.h"
#include "tools/split/outputs.h"

namespace {

namespace fs = std::filesystem;

struct Scratch {
    Scratch() {
        char pattern[] = "/tmp/split-outputs-XXXXXX";
        path = mkdtemp(pattern) != nullptr ? pattern : "";
    }
    ~Scratch() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    std::set<std::string> List() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    void Put(const std::string& name, const std::string& text) const {
        FILE* file = std::fopen((path + "/" + name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
    std::string path;
};

std::string ReadFileText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

int Parse(std::vector<const char*> args, Options* options, std::string* error) {
    args.insert(args.begin(), "vantorel-split");
    return ParseArguments(static_cast<int>(args.size()), const_cast<char**>(args.data()), options,
                          error);
}

// ---- The command line ----------------------------------------------------

TEST(SplitOptions, ValuesFollowTheirOptionOrAnEqualsSign) {
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--size=3K", "f", "--checksum", "md5", "--joiner=j", "--out", "o"}, &options,
                      &error))
        << error;
    EXPECT_STREQ(options.file, "f");
    EXPECT_TRUE(options.bySize);
    EXPECT_EQ(options.partSize, 3072u);
    EXPECT_EQ(options.kind, 1u);
    EXPECT_STREQ(options.joiner, "j");
    EXPECT_STREQ(options.outDir, "o");

    // After "--", a name beginning with a dash is the file.
    options = Options();
    ASSERT_TRUE(Parse({"--parts", "2", "--", "-file"}, &options, &error)) << error;
    EXPECT_STREQ(options.file, "-file");
    EXPECT_EQ(options.kind, 4u) << "SHA-256 by default";

    options = Options();
    ASSERT_TRUE(Parse({"x", "--help", "--bogus"}, &options, &error));
    EXPECT_TRUE(options.help);
}

TEST(SplitOptions, BadCommandLinesSayWhy) {
    const struct {
        std::vector<const char*> args;
        const char* reason;
    } cases[] = {
        {{"f"}, "give exactly one of --parts N and --size BYTES (see --help)"},
        {{"f", "--parts", "2", "--size", "1"}, "give exactly one of"},
        {{"--parts", "2"}, "no FILE given (see --help)"},
        {{"a", "b", "--parts", "2"}, "more than one FILE given ('a' and 'b')"},
        {{"f", "--parts"}, "option --parts needs a value (see --help)"},
        {{"f", "--parts=2K"}, "--parts takes a whole number, not '2K'"},
        {{"f", "--size", "-1"}, "--size takes a number of bytes"},
        {{"f", "--parts", "2", "--checksum", "crc"}, "--checksum takes none, md5"},
        {{"f", "--parts=2", "--verbose=1"}, "unknown option '--verbose' (see --help)"},
        {{"f", "-p"}, "unknown option '-p' (see --help)"},
    };
    for (const auto& c : cases) {
        Options options;
        std::string error;
        EXPECT_FALSE(Parse(c.args, &options, &error)) << c.reason;
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << error;
    }
}

// ---- Names ---------------------------------------------------------------

TEST(SplitNames, DeviceNamesAndNamesWindowsShortenAreRefused) {
    for (const char* name : {"CON", "con.txt", "Prn", "aux.tar.gz", "NUL", "nul .log", "COM1",
                             "com9.x", "LPT1", "lpt5.log", "CONIN$", "conout$.txt",
                             "COM\xC2\xB9", "lpt\xC2\xB3.bin", "data.", "note ", "a.b. "}) {
        std::string error;
        EXPECT_FALSE(CheckWindowsName(name, &error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
    for (const char* name : {"COM0", "COM10", "LPT", "CONX", "console", ".nul", "nul_", "x.nul",
                             "aux-data.bin", "COM\xC2\xB4", "file.txt", ".hidden"}) {
        std::string error;
        EXPECT_TRUE(CheckWindowsName(name, &error)) << name << ": " << error;
    }
}

TEST(SplitNames, ConversionSaysWhatIsWrong) {
    std::string cp1252;
    std::string error;
    ASSERT_TRUE(ConvertName("caf\xC3\xA9", &cp1252, &error));
    EXPECT_EQ(cp1252, "caf\xE9");
    EXPECT_FALSE(ConvertName("ab\xFF", &cp1252, &error));
    EXPECT_EQ(error, "the name 'ab\\xff' is not valid UTF-8 (at byte 2)");
    EXPECT_FALSE(ConvertName("x\xE6\x97\xA5", &cp1252, &error));
    EXPECT_NE(error.find("Windows-1252 cannot represent (at byte 1)"), std::string::npos);
    EXPECT_FALSE(ConvertName("a|b", &cp1252, &error));
    EXPECT_NE(error.find("Windows does not allow"), std::string::npos);
}

// ---- The operating system ------------------------------------------------

TEST(SplitOs, ANameIsNeverTakenFromAnExistingFile) {
    Scratch dir;
    OsHandle directory = kNoHandle;
    ASSERT_TRUE(OsOpenDirectory(dir.path, &directory));
    dir.Put("from", "new");
    dir.Put("to", "keep");
    EXPECT_FALSE(OsRenameIn(directory, "from", "to"));
    EXPECT_EQ(OsLastError(), OsError::Exists);
    EXPECT_EQ(ReadFileText(dir.path + "/to"), "keep");
    EXPECT_EQ(ReadFileText(dir.path + "/from"), "new");

    // A dangling link is a name taken too, and is not written through.
    ASSERT_EQ(symlink((dir.path + "/nowhere").c_str(), (dir.path + "/link").c_str()), 0);
    EXPECT_FALSE(OsRenameIn(directory, "from", "link"));
    OsHandle file = kNoHandle;
    EXPECT_FALSE(OsCreateIn(directory, "link", false, &file));
    EXPECT_EQ(OsLastError(), OsError::Exists);
    EXPECT_FALSE(fs::exists(dir.path + "/nowhere"));
    EXPECT_EQ(OsLookUpIn(directory, "link"), NameLookup::Found);
    // A look-up that cannot tell (a loop of links on the way) is no free name.
    ASSERT_EQ(symlink("loop", (dir.path + "/loop").c_str()), 0);
    EXPECT_EQ(OsLookUpIn(directory, "loop/x"), NameLookup::Unknown);
    EXPECT_EQ(OsLookUp(dir.path + "/loop/x"), NameLookup::Unknown);
    EXPECT_NE(std::string(OsLastErrorText()).find("symbolic links"), std::string::npos);

    ASSERT_TRUE(OsRenameIn(directory, "from", "free"));
    EXPECT_EQ(dir.List(), (std::set<std::string>{"free", "link", "loop", "to"}));
    EXPECT_TRUE(OsClose(directory));
}

TEST(SplitOs, OnlyRegularFilesOpenAndNothingWaits) {
    Scratch dir;
    std::string fifo = dir.path + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {fifo, dir.path, std::string("/dev/null")}) {
        OsHandle file = kNoHandle;
        uint64_t size = 0;
        EXPECT_FALSE(OsOpenRegularFile(path, &file, &size)) << path;
        EXPECT_EQ(OsLastError(), OsError::NotRegular) << path;
        EXPECT_EQ(file, kNoHandle);
    }
    // A blocking open of the FIFO would still be waiting for a writer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    OsHandle file = kNoHandle;
    uint64_t size = 0;
    EXPECT_FALSE(OsOpenRegularFile(dir.path + "/missing", &file, &size));
    EXPECT_EQ(OsLastError(), OsError::Missing);
    dir.Put("five", "12345");
    ASSERT_TRUE(OsOpenRegularFile(dir.path + "/five", &file, &size));
    EXPECT_EQ(size, 5u);
    char bytes[8];
    size_t got = 0;
    ASSERT_TRUE(OsRead(file, bytes, sizeof bytes, &got));
    EXPECT_EQ(std::string(bytes, got), "12345");
    ASSERT_TRUE(OsRead(file, bytes, sizeof bytes, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(OsClose(file));
}

TEST(SplitOs, DescriptorLinksAreToldFromFilesAndTheirLinks) {
    Scratch dir;
    dir.Put("file", "x");
    ASSERT_EQ(symlink("file", (dir.path + "/link").c_str()), 0);
    ASSERT_EQ(symlink("/dev/stdin", (dir.path + "/stdin-link").c_str()), 0);
    EXPECT_FALSE(OsIsDescriptorLink(dir.path + "/file"));
    EXPECT_FALSE(OsIsDescriptorLink(dir.path + "/link"));
    EXPECT_FALSE(OsIsDescriptorLink("/dev/null"));
    EXPECT_TRUE(OsIsDescriptorLink("/dev/stdin"));
    EXPECT_TRUE(OsIsDescriptorLink("/dev/fd/0"));
    EXPECT_TRUE(OsIsDescriptorLink("/proc/self/fd/0"));
    EXPECT_TRUE(OsIsDescriptorLink(dir.path + "/stdin-link"));
}

// A default joiner is trusted only when no one but the user or root could
// have put it there: the file and every folder of its resolved path.
TEST(SplitOs, AFileIsTrustedOnlyWhenOnlyTheUserOrRootCouldHavePutItThere) {
    Scratch dir;
    fs::create_directories(dir.path + "/tree/share");
    fs::create_directories(dir.path + "/drop");
    dir.Put("tree/share/joiner", "x");
    std::string joiner = dir.path + "/tree/share/joiner";
    chmod((dir.path + "/tree").c_str(), 0755);
    chmod((dir.path + "/tree/share").c_str(), 0755);
    chmod(joiner.c_str(), 0644);
    std::string resolved;
    OsDistrust distrust;
    // The scratch folder lies in /tmp, which others may write but which is
    // sticky: only an entry's owner can rename or remove it.
    EXPECT_TRUE(OsCheckTrusted(dir.path + "/tree/../tree/share/./joiner", &resolved, &distrust))
        << distrust.path << " " << distrust.reason;
    EXPECT_EQ(resolved, fs::canonical(joiner).string());

    const struct {
        std::string path;
        mode_t mode;
        bool folder;
        const char* reason;
    } cases[] = {
        {dir.path + "/tree/share", 0775, true, "is writable by its group"},
        {dir.path + "/tree", 0757, true, "is writable by others"},
        {joiner, 0664, false, "is writable by its group"},
        {joiner, 0646, false, "is writable by others"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_EQ(chmod(c.path.c_str(), c.mode), 0);
        EXPECT_FALSE(OsCheckTrusted(joiner, &resolved, &distrust));
        EXPECT_EQ(distrust.path, fs::canonical(c.path).string());
        EXPECT_EQ(distrust.folder, c.folder);
        EXPECT_EQ(distrust.reason, c.reason);
        chmod(c.path.c_str(), c.folder ? 0755 : 0644);
    }
    // A sticky folder that others may write keeps its entries theirs.
    chmod((dir.path + "/tree/share").c_str(), 01777);
    EXPECT_TRUE(OsCheckTrusted(joiner, &resolved, &distrust)) << distrust.reason;
    chmod((dir.path + "/tree/share").c_str(), 0755);

    // Through a link the folders judged are those of the file itself.
    chmod((dir.path + "/drop").c_str(), 0777);
    dir.Put("drop/planted", "y");
    chmod((dir.path + "/drop/planted").c_str(), 0644);
    std::string link = dir.path + "/tree/share/link";
    ASSERT_EQ(symlink((dir.path + "/drop/planted").c_str(), link.c_str()), 0);
    EXPECT_FALSE(OsCheckTrusted(link, &resolved, &distrust));
    EXPECT_EQ(distrust.path, fs::canonical(dir.path + "/drop").string());
    EXPECT_EQ(distrust.reason, "is writable by others");

    if (geteuid() == 0) {
        // Owned by someone else (as root the test can give it away).
        ASSERT_EQ(chown((dir.path + "/tree/share").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(OsCheckTrusted(joiner, &resolved, &distrust));
        EXPECT_EQ(distrust.path, fs::canonical(dir.path + "/tree/share").string());
        EXPECT_EQ(distrust.reason, "belongs to user 65534, neither you nor root");
    }
    EXPECT_FALSE(OsCheckTrusted(dir.path + "/missing", &resolved, &distrust));
    EXPECT_EQ(OsLastError(), OsError::Missing);
    EXPECT_EQ(distrust.reason, "");
}

// ---- The output set ------------------------------------------------------

class SplitOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        job.name = job.cp1252Name = "f.bin";
        PlanProblem problem;
        ASSERT_TRUE(PlanByCount(9, 3, &job.plan, &problem));
        job.joinerName = "f.bin__join";
        job.outDir = dir.path;
        ASSERT_TRUE(OsOpenDirectory(dir.path, &job.directory));
    }
    // Makes the joiner's and every part's temporary file.
    void MakeAll(OutputSet* outputs) {
        OsHandle file = kNoHandle;
        ASSERT_TRUE(CreateJoinerCopy(outputs, &file));
        ASSERT_TRUE(FinishOutput(file, job.joinerName, *outputs));
        for (uint32_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(CreatePart(outputs, i, &file));
            ASSERT_TRUE(WriteOutput(file, "abc", 3, PartFileName(job, i), *outputs));
            ASSERT_TRUE(FinishOutput(file, PartFileName(job, i), *outputs));
        }
    }
    Scratch dir;
    Job job;
    OsHandle file_ = kNoHandle;
};

// A file whose bytes change in place while it is cut is refused like one
// that grew or shrank, though its size stays.
TEST(SplitCut, AFileChangedInPlaceIsRefused) {
    Scratch dir;
    std::string path = dir.path + "/data.bin";
    std::vector<uint8_t> buffer(kCutBufferSize);
    for (bool change : {false, true}) {
        SCOPED_TRACE(change ? "changed" : "unchanged");
        dir.Put("data.bin", "0123456789");
        // Times in the past: the change's own cannot equal them.
        struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
        Options options;
        options.file = path.c_str();
        options.parts = 2;
        options.byParts = true;
        Job job;
        ASSERT_TRUE(PrepareInput(options, &job));
        job.outDir = dir.path;
        ASSERT_TRUE(OsOpenDirectory(dir.path, &job.directory));
        if (change) {
            int fd = open(path.c_str(), O_WRONLY);
            ASSERT_EQ(pwrite(fd, "X", 1, 7), 1);
            close(fd);
        }
        OutputSet outputs = NoOutputs(job);
        testing::internal::CaptureStderr();
        int cut = CutParts(&job, &outputs, nullptr, buffer.data());
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(cut, change ? 0 : 1);
        EXPECT_EQ(err, change ? "vantorel-split: '" + path +
                                    "' changed while being cut (nothing was kept)\n"
                              : "");
        DiscardOutputs(&outputs);
        EXPECT_EQ(dir.List(), (std::set<std::string>{"data.bin"}));
    }
}

// A random source the test decides: each draw gives 8 bytes of the next
// value of g_draws, the last one again once they run out.
std::vector<uint8_t> g_draws;
size_t g_drawn = 0;
int ScriptedRandom(void* buffer, size_t length) {
    uint8_t value = g_draws[std::min(g_drawn++, g_draws.size() - 1)];
    std::memset(buffer, value, length);
    return 1;
}

TEST_F(SplitOutputs, ATakenTemporaryNameIsDrawnAgainAndNeverRemoved) {
    // A run killed earlier left the names this run draws first.
    dir.Put(".vantorel-split-0000000000000000-join", "left");
    dir.Put(".vantorel-split-1111111111111111-0", "left");
    g_draws = {0x00, 0x11, 0x22};
    g_drawn = 0;
    OutputSet outputs = NoOutputs(job);
    outputs.random = ScriptedRandom;
    MakeAll(&outputs);
    EXPECT_EQ(outputs.joinerTemporary, ".vantorel-split-1111111111111111-join");
    EXPECT_EQ(outputs.temporaries[0], ".vantorel-split-2222222222222222-0");
    EXPECT_EQ(outputs.temporaries[2], ".vantorel-split-2222222222222222-2");
    ASSERT_TRUE(NameOutputs(&outputs));
    EXPECT_EQ(dir.List(), (std::set<std::string>{".vantorel-split-0000000000000000-join",
                                                 ".vantorel-split-1111111111111111-0",
                                                 "f.bin__000", "f.bin__001", "f.bin__002",
                                                 "f.bin__join"}));

    // A source that draws only taken names: the run gives up after a few
    // draws and removes nothing of the names it found taken.
    for (const std::string& name : dir.List()) {
        if (name.rfind("f.bin", 0) == 0) fs::remove(dir.path + "/" + name);
    }
    g_draws = {0x00};
    g_drawn = 0;
    outputs = NoOutputs(job);
    outputs.random = ScriptedRandom;
    EXPECT_FALSE(CreateJoinerCopy(&outputs, &file_));
    EXPECT_GT(g_drawn, 1u);
    EXPECT_LE(g_drawn, 16u);
    DiscardOutputs(&outputs);
    EXPECT_EQ(dir.List(), (std::set<std::string>{".vantorel-split-0000000000000000-join",
                                                 ".vantorel-split-1111111111111111-0"}));
    EXPECT_EQ(ReadFileText(dir.path + "/.vantorel-split-0000000000000000-join"), "left");
}

TEST_F(SplitOutputs, NamesAreTakenOnlyOnceAllAreWritten) {
    OutputSet outputs = NoOutputs(job);
    MakeAll(&outputs);
    // ".vantorel-split-", 16 random hexadecimal digits, "-" and the index or
    // "join".
    for (const std::string& name : dir.List()) {
        std::string tail = name.size() > 33 ? name.substr(33) : "";
        EXPECT_EQ(name.compare(0, 16, ".vantorel-split-"), 0) << name;
        EXPECT_EQ(name.find_first_not_of("0123456789abcdef", 16), 32u) << name;
        EXPECT_TRUE(tail == "join" || tail == "0" || tail == "1" || tail == "2") << name;
    }
    EXPECT_EQ(dir.List().size(), 4u);
    EXPECT_FALSE(CreatePart(&outputs, 5, &file_)) << "parts are made in order";

    ASSERT_TRUE(NameOutputs(&outputs));
    EXPECT_EQ(dir.List(), (std::set<std::string>{"f.bin__000", "f.bin__001", "f.bin__002",
                                                 "f.bin__join"}));
    EXPECT_EQ(ReadFileText(dir.path + "/f.bin__002"), "abc");
}

TEST_F(SplitOutputs, AFileAppearingMeanwhileIsKeptAndTheSetRemoved) {
    OutputSet outputs = NoOutputs(job);
    MakeAll(&outputs);
    // Another program takes the last part's name after the checks.
    dir.Put("f.bin__002", "theirs");
    EXPECT_FALSE(NameOutputs(&outputs));
    DiscardOutputs(&outputs);
    EXPECT_EQ(dir.List(), (std::set<std::string>{"f.bin__002"}));
    EXPECT_EQ(ReadFileText(dir.path + "/f.bin__002"), "theirs");

    // The joiner's name taken: the named parts go again too.
    outputs = NoOutputs(job);
    fs::remove(dir.path + "/f.bin__002");
    MakeAll(&outputs);
    dir.Put("f.bin__join", "theirs");
    EXPECT_FALSE(NameOutputs(&outputs));
    EXPECT_EQ(outputs.partsNamed, 3u);
    DiscardOutputs(&outputs);
    EXPECT_EQ(dir.List(), (std::set<std::string>{"f.bin__join"}));
    EXPECT_EQ(ReadFileText(dir.path + "/f.bin__join"), "theirs");
}

}  // namespace

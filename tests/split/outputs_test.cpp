// The splitter's job called directly, on real files: the output set's
// temporary names and naming, the cut, the job's interface (events,
// failures as values, an outcome that owns the set), and the list's sums on
// the stand-in helper threads (tests/support/fake_core), which count, fail
// and lag on request.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "tests/support/fake_core.h"
#include "tests/support/part_names.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"
#include "split/cut.h"
#include "split/input.h"
#include "split/job.h"
#include "split/outputs.h"
#include "split/recovery.h"

namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

SplitPlan PlanOf(uint64_t size, uint64_t parts) {
    SplitPlan plan = {};
    PlanProblem problem;
    PlanByCount(size, parts, &plan, &problem);
    return plan;
}

// ---- The output set ------------------------------------------------------

class SplitOutputs : public ::testing::Test {
protected:
    void SetUp() override {
        job.name = job.cp1252Name = "f.bin";
        PlanProblem problem;
        ASSERT_TRUE(PlanByCount(9, 3, &job.plan, &problem));
        job.joinerName = "f.bin__join";
        job.outDir = dir.Path().string();
        ASSERT_TRUE(OpenDirectory(job.outDir, &job.directory, &error));
    }
    // Makes the joiner's and every part's temporary file.
    void MakeAll(OutputSet* outputs) {
        SystemFile file;
        ASSERT_TRUE(CreateJoinerCopy(outputs, &file, &failure));
        ASSERT_TRUE(FinishOutput(&file, job.joinerName, job, &failure));
        for (uint32_t i = 0; i < 3; ++i) {
            ASSERT_TRUE(CreatePart(outputs, i, &file, &failure));
            ASSERT_TRUE(WriteOutput(file, "abc", 3, PartFileName(job, i), job, &failure));
            ASSERT_TRUE(FinishOutput(&file, PartFileName(job, i), job, &failure));
        }
    }
    Names List() const { return ListNames(job.outDir); }

    TempDir dir{TempDir::kStay};
    Job job;
    SplitFailure failure;
    SystemError error;
};

// A random source the test decides: each draw gives 8 bytes of the next
// value of g_draws, the last one again once they run out.
std::vector<uint8_t> g_draws;
size_t g_drawn = 0;
int ScriptedRandom(void* buffer, size_t length, SystemError*) {
    uint8_t value = g_draws[std::min(g_drawn++, g_draws.size() - 1)];
    std::memset(buffer, value, length);
    return 1;
}

TEST_F(SplitOutputs, ATakenTemporaryNameIsDrawnAgainAndNeverRemoved) {
    // A run killed earlier left the names this run draws first.
    WriteWholeFile(dir / ".vantorel-split-0000000000000000-join", "left");
    WriteWholeFile(dir / ".vantorel-split-1111111111111111-0", "left");
    g_draws = {0x00, 0x11, 0x22};
    g_drawn = 0;
    OutputSet outputs = NoOutputs(job);
    outputs.random = ScriptedRandom;
    MakeAll(&outputs);
    EXPECT_EQ(outputs.joinerTemporary, ".vantorel-split-1111111111111111-join");
    EXPECT_EQ(outputs.temporaries[0], ".vantorel-split-2222222222222222-0");
    EXPECT_EQ(outputs.temporaries[2], ".vantorel-split-2222222222222222-2");
    ASSERT_TRUE(NameOutputs(&outputs, &failure));
    EXPECT_EQ(List(), (Names{".vantorel-split-0000000000000000-join",
                             ".vantorel-split-1111111111111111-0", "f.bin__000", "f.bin__001",
                             "f.bin__002", "f.bin__join"}));

    // A source that draws only taken names: the run gives up after a few
    // draws and removes nothing of the names it found taken.
    for (const std::string& name : List()) {
        if (name.rfind("f.bin", 0) == 0) fs::remove(dir / name);
    }
    g_draws = {0x00};
    g_drawn = 0;
    outputs = NoOutputs(job);
    outputs.random = ScriptedRandom;
    SystemFile file;
    EXPECT_FALSE(CreateJoinerCopy(&outputs, &file, &failure));
    EXPECT_EQ(failure.cause, SplitCause::TemporariesTaken);
    EXPECT_EQ(failure.number, 8u);
    EXPECT_GT(g_drawn, 1u);
    DiscardOutputs(&outputs);
    EXPECT_EQ(List(), (Names{".vantorel-split-0000000000000000-join",
                             ".vantorel-split-1111111111111111-0"}));
    EXPECT_EQ(ReadWholeFile(dir / ".vantorel-split-0000000000000000-join"), "left");
}

TEST_F(SplitOutputs, NamesAreTakenOnlyOnceAllAreWritten) {
    OutputSet outputs = NoOutputs(job);
    MakeAll(&outputs);
    // Temporary names only (their form is the test above's).
    EXPECT_EQ(List().size(), 4u);
    EXPECT_FALSE(List().count("f.bin__000"));
    SystemFile file;
    EXPECT_FALSE(CreatePart(&outputs, 5, &file, &failure)) << "parts are made in order";

    ASSERT_TRUE(NameOutputs(&outputs, &failure));
    EXPECT_EQ(List(), (Names{"f.bin__000", "f.bin__001", "f.bin__002", "f.bin__join"}));
    EXPECT_EQ(ReadWholeFile(dir / "f.bin__002"), "abc");
}

TEST_F(SplitOutputs, AFileAppearingMeanwhileIsKeptAndTheSetRemoved) {
    OutputSet outputs = NoOutputs(job);
    MakeAll(&outputs);
    // Another program takes the last part's name after the checks.
    WriteWholeFile(dir / "f.bin__002", "theirs");
    EXPECT_FALSE(NameOutputs(&outputs, &failure));
    EXPECT_EQ(failure.cause, SplitCause::CannotName);
    EXPECT_EQ(failure.name, JoinPath(job.outDir, "f.bin__002"));
    DiscardOutputs(&outputs);
    EXPECT_EQ(List(), (Names{"f.bin__002"}));
    EXPECT_EQ(ReadWholeFile(dir / "f.bin__002"), "theirs");

    // The joiner's name taken: the named parts go again too.
    outputs = NoOutputs(job);
    fs::remove(dir / "f.bin__002");
    MakeAll(&outputs);
    WriteWholeFile(dir / "f.bin__join", "theirs");
    EXPECT_FALSE(NameOutputs(&outputs, &failure));
    EXPECT_EQ(outputs.partsNamed, 3u);
    DiscardOutputs(&outputs);
    EXPECT_EQ(List(), (Names{"f.bin__join"}));
    EXPECT_EQ(ReadWholeFile(dir / "f.bin__join"), "theirs");
}

// ---- The cut -----------------------------------------------------------

// A file whose bytes change in place while it is cut is refused like one
// that grew or shrank, though its size stays.
TEST(SplitCut, AFileChangedInPlaceIsRefused) {
    TempDir dir(TempDir::kStay);
    std::string path = dir / "data.bin";
    std::vector<uint8_t> buffer(kCutBufferSize);
    for (bool change : {false, true}) {
        SCOPED_TRACE(change ? "changed" : "unchanged");
        WriteWholeFile(path, "0123456789");
        // Times in the past: the change's own cannot equal them.
        struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), past, 0), 0);
        SplitRequest request;
        request.file = path;
        request.parts = 2;
        request.byParts = true;
        Job job;
        SplitFailure failure;
        SystemError error;
        ASSERT_TRUE(PrepareInput(request, &job, &failure));
        job.outDir = dir.Path().string();
        ASSERT_TRUE(OpenDirectory(job.outDir, &job.directory, &error));
        if (change) {
            int fd = open(path.c_str(), O_WRONLY);
            ASSERT_EQ(pwrite(fd, "X", 1, 7), 1);
            close(fd);
        }
        OutputSet outputs = NoOutputs(job);
        CutSums sums;
        EXPECT_EQ(CutParts(&job, &outputs, &sums, buffer.data(), SplitEvents(), &failure),
                  change ? 0 : 1);
        if (change) {
            EXPECT_EQ(failure.cause, SplitCause::InputChanged);
            EXPECT_EQ(failure.name, path);
        }
        DiscardOutputs(&outputs);
        EXPECT_EQ(ListNames(job.outDir), (Names{"data.bin"}));
    }
}

// ---- The job's interface -------------------------------------------------

// What a run told its front end, and the front end's answer to stop.
struct Told {
    std::vector<std::string> events;
    uint64_t cut = 0;       // bytes of the last Cutting event
    size_t stopAfter = 0;   // stop once this many Cutting events came; 0: never
    size_t cuttings = 0;
    uint64_t total = 1001;  // the file's size
    size_t recoverings = 0;
    size_t stopAfterRecovering = 0;  // stop once this many Recovering events came; 0: never
    std::string shrinkIn;  // the output folder whose part 1 is shortened once cut; empty: none
};

void OnWarn(void* context, const SplitWarning& warning) {
    static_cast<Told*>(context)->events.push_back("warn " + warning.name + " " +
                                                   std::to_string(warning.count));
}

void OnProgress(void* context, const SplitProgress& progress) {
    Told* told = static_cast<Told*>(context);
    switch (progress.stage) {
        case SplitStage::Writing: told->events.push_back("writing " + progress.name); break;
        case SplitStage::Cutting:
            // One event a block, each further on.
            if (told->cuttings++ == 0) told->events.push_back("cutting");
            EXPECT_GT(progress.done, told->cut);
            EXPECT_EQ(progress.total, told->total);
            told->cut = progress.done;
            break;
        case SplitStage::Cut:
            told->events.push_back("cut");
            // Someone shortens part 1 between the cut and the recovery pass.
            if (!told->shrinkIn.empty()) {
                for (const std::string& name : ListNames(told->shrinkIn)) {
                    if (name.find("0123456789abcdef") == std::string::npos &&
                        name.compare(name.size() - 2, 2, "-1") == 0) {
                        EXPECT_EQ(truncate((told->shrinkIn + "/" + name).c_str(), 10), 0);
                    }
                }
            }
            break;
        case SplitStage::Recovering:
            // The parts read back, every byte once.
            if (told->recoverings++ == 0) told->events.push_back("recovering");
            EXPECT_EQ(progress.total, told->total);
            EXPECT_LE(progress.done, progress.total);
            break;
    }
}

int OnStop(void* context) {
    Told* told = static_cast<Told*>(context);
    return (told->stopAfter != 0 && told->cuttings >= told->stopAfter) ||
           (told->stopAfterRecovering != 0 && told->recoverings >= told->stopAfterRecovering);
}

class SplitJob : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir / "out");
        file = dir / "data.bin";
        WriteFile(file, 1001, 5);
        // A run killed earlier left a temporary file.
        WriteWholeFile(dir / "out/.vantorel-split-0123456789abcdef-0", "");
        request.file = file;
        request.byParts = false;
        request.partSize = 1;
        request.kind = CHECKSUM_MD5;
        request.joiner = ELF_FIXTURE;
        request.outDir = dir / "out";
        request.recovery = 0;  // the recovery data's tests ask for it
        request.events = {&told, OnWarn, OnProgress, OnStop};
    }
    Names Out() const { return ListNames(dir / "out"); }

    TempDir dir{TempDir::kStay};
    std::string file;
    Told told;
    SplitRequest request;
};

// The warning comes first, the cut is told block by block, and the set made
// (here of 1001 parts, named with four digits) is the outcome's until it is
// kept.
TEST_F(SplitJob, TheOutcomeOwnsTheSetUntilItIsKept) {
    {
        SplitOutcome outcome;
        ASSERT_TRUE(RunSplit(request, &outcome)) << static_cast<int>(outcome.failure.cause);
        EXPECT_EQ(told.events, (std::vector<std::string>{"warn " + dir / "out" + " 1",
                                                         "writing data.bin", "cutting", "cut"}));
        EXPECT_EQ(told.cut, 1001u);
        // The result's other fields are the summary's (the tool's tests).
        EXPECT_EQ(outcome.result.firstPart, ExpectedPartName("data.bin", 1001, 0));
        EXPECT_EQ(outcome.result.lastPart, ExpectedPartName("data.bin", 1001, 1000));
        EXPECT_EQ(Out().size(), 1004u);
    }
    // Not kept: gone, the earlier run's file left alone.
    EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0"}));

    told = Told();
    request.events.context = &told;
    request.partSize = 500;
    SplitOutcome outcome;
    ASSERT_TRUE(RunSplit(request, &outcome));
    KeepOutputs(&outcome);
    EXPECT_FALSE(outcome.run);
    EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0", "data.bin__000", "data.bin__001",
                            "data.bin__002", "data.bin__join", "data.bin.sha256"}));
}

// A stop between two blocks, and one after the last block, before the
// outputs take their names: 1001 bytes are 11 blocks of parts of 100 bytes.
class SplitJobStop : public SplitJob, public ::testing::WithParamInterface<size_t> {};

TEST_P(SplitJobStop, KeepsNothing) {
    ResetFakeCore();
    request.partSize = 100;
    told.stopAfter = GetParam();
    SplitOutcome outcome;
    EXPECT_FALSE(RunSplit(request, &outcome));
    EXPECT_EQ(outcome.failure.cause, SplitCause::Interrupted);
    EXPECT_TRUE(outcome.interrupted);
    EXPECT_EQ(told.cuttings, GetParam());
    EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0"}));
    // The list's helper summed the blocks cut, and is ended.
    EXPECT_EQ(g_core.helpersCreated, 1);
    EXPECT_EQ(g_core.helperTasks, static_cast<int>(GetParam()));
    EXPECT_EQ(g_core.helpersAlive, 0);
}

INSTANTIATE_TEST_SUITE_P(BetweenBlocksAndBeforeTheNames, SplitJobStop, ::testing::Values(2, 11));

// ---- The list's sums -----------------------------------------------------

// The list a file of size bytes of seed cut into parts of partSize bytes
// must hold, from the engine summing each slice on its own.
std::string ExpectedList(const std::string& name, size_t size, uint32_t seed, size_t partSize) {
    std::vector<uint8_t> data = SeededBytes(size, seed);
    uint32_t count = static_cast<uint32_t>((size + partSize - 1) / partSize);
    auto sum = [&](size_t from, size_t length) {
        std::unique_ptr<CHash> engine(CreateHashEngine(CHECKSUM_SHA256));
        engine->Reset();
        engine->Update(data.data() + from, static_cast<uint32_t>(length));
        engine->Finish();
        char text[65];
        engine->GetDigestText(text);
        return std::string(text);
    };
    std::string list;
    for (uint32_t i = 0; i < count; ++i) {
        size_t from = i * partSize;
        list += sum(from, std::min(partSize, size - from)) + "  " +
                ExpectedPartName(name, count, i) + "\n";
    }
    return list + sum(0, size) + "  " + name + "\n";
}

// Parts of several blocks (kCutBufferSize each): a helper that is slow to
// start each block must still sum that block, not the next read over it; a
// helper that cannot be had leaves the same work to the cutting thread. The
// record's own checksum is another kind, so the whole file is summed for the
// list too, on the helper beside the record's.
class SplitJobSums : public SplitJob, public ::testing::WithParamInterface<const char*> {};

TEST_P(SplitJobSums, MakeTheSameList) {
    const size_t size = 2 * kCutBufferSize + kCutBufferSize / 2 + 7;
    WriteFile(file, size, 6);
    request.partSize = kCutBufferSize + 3;
    request.events = SplitEvents();  // the fixture's expect the file of 1001 bytes
    ResetFakeCore();
    std::string way = GetParam();
    g_core.helperDelayMs = way == "lagging" ? 20 : 0;
    g_core.failHelpers = way == "none";
    {
        SplitOutcome outcome;
        ASSERT_TRUE(RunSplit(request, &outcome)) << static_cast<int>(outcome.failure.cause);
        EXPECT_EQ(outcome.result.list, JoinPath(dir / "out", "data.bin.sha256"));
        EXPECT_EQ(ReadWholeFile(outcome.result.list),
                  ExpectedList("data.bin", size, 6, kCutBufferSize + 3));
        // The sizes a front end adds up for what is to be sent.
        EXPECT_EQ(outcome.result.listSize, ReadWholeFile(outcome.result.list).size());
        EXPECT_EQ(outcome.result.joinerSize, ReadWholeFile(outcome.result.joiner).size());
        EXPECT_EQ(g_core.helpersCreated, way == "none" ? 0 : 1);
    }
    EXPECT_EQ(g_core.helpersAlive, 0);
    ResetFakeCore();
}

INSTANTIATE_TEST_SUITE_P(Helpers, SplitJobSums, ::testing::Values("prompt", "lagging", "none"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// A write that fails part way (here past a file-size limit) ends the
// helper too, and leaves nothing of the set, its list included.
TEST_F(SplitJob, AFailedWriteEndsTheHelperAndKeepsNothing) {
    WriteFile(file, 3 * kCutBufferSize, 7);
    request.partSize = kCutBufferSize * 3 / 2;
    request.events = SplitEvents();
    ResetFakeCore();
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit limit = before;
    limit.rlim_cur = kCutBufferSize + kCutBufferSize / 4;
    auto ignored = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    SplitOutcome outcome;
    int made = RunSplit(request, &outcome);
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, ignored);
    EXPECT_FALSE(made);
    EXPECT_EQ(outcome.failure.cause, SplitCause::CannotWrite);
    EXPECT_EQ(outcome.failure.name, JoinPath(dir / "out", "data.bin__000"));
    EXPECT_EQ(g_core.helpersCreated, 1);
    EXPECT_EQ(g_core.helpersAlive, 0);
    EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0"}));
}

// ---- The recovery data ---------------------------------------------------

// Parts of several of the recovery pass's blocks, the last one longer and
// of an odd length, with two recovery slices: the files are the same
// whether the helper shares the parts promptly, late or not at all, and
// par2 finds them correct.
TEST_F(SplitJob, RecoveryDataIsTheSameOnOneThreadOrTwo) {
    const size_t size = 5 * RecoveryBlockSize(2) + RecoveryBlockSize(2) / 3 + 7;
    WriteFile(file, size, 9);
    request.byParts = true;
    request.parts = 3;
    request.recovery = 2;
    request.events = SplitEvents();
    std::vector<std::string> first;
    for (const char* way : {"prompt", "lagging", "none"}) {
        SCOPED_TRACE(way);
        ResetFakeCore();
        g_core.helperDelayMs = std::string(way) == "lagging" ? 5 : 0;
        g_core.failHelpers = std::string(way) == "none";
        SplitOutcome outcome;
        ASSERT_TRUE(RunSplit(request, &outcome)) << static_cast<int>(outcome.failure.cause);
        const SplitResult& result = outcome.result;
        EXPECT_EQ(result.recoveryCount, 2u);
        EXPECT_EQ(result.recoveryIndex, JoinPath(dir / "out", "data.bin.par2"));
        EXPECT_EQ(result.recoveryNames, (std::vector<std::string>{"data.bin.vol0+1.par2", "data.bin.vol1+1.par2"}));
        std::vector<std::string> files = {ReadWholeFile(result.recoveryIndex)};
        for (const std::string& name : result.recoveryNames) files.push_back(ReadWholeFile(dir / ("out/" + name)));
        uint64_t bytes = 0;
        for (const std::string& f : files) bytes += f.size();
        EXPECT_EQ(result.recoverySize, bytes);
        // Each volume holds a slice of the largest part, rounded up to 4.
        EXPECT_GT(files[1].size(), PartSize(PlanOf(size, 3), 2));
        if (first.empty()) {
            first = files;
            if (std::system("par2 -V > /dev/null 2>&1") == 0) {
                std::string command = "cd '" + dir / "out" + "' && par2 verify -q data.bin.par2 > /dev/null 2>&1";
                EXPECT_EQ(std::system(command.c_str()), 0);
            }
        } else {
            // The creator packet and everything else, byte for byte.
            EXPECT_TRUE(files == first);
        }
        // The sums' helper and the recovery pass's (none when none can be had).
        EXPECT_EQ(g_core.helpersCreated, std::string(way) == "none" ? 0 : 2);
    }
    EXPECT_EQ(g_core.helpersAlive, 0);
    EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0"}));
    ResetFakeCore();
}

// A stop during the recovery pass, a part shortened before it, more
// recovery slices than parts and an earlier set's recovery file: nothing is
// kept (the last two refused before anything is written).
TEST_F(SplitJob, TheRecoveryPassKeepsNothingWhenItCannotEnd) {
    WriteFile(file, 3 * RecoveryBlockSize(1) + 11, 4);
    request.byParts = true;
    request.parts = 4;
    request.recovery = 1;
    told.total = 3 * RecoveryBlockSize(1) + 11;
    {
        ResetFakeCore();
        told.stopAfterRecovering = 1;
        SplitOutcome outcome;
        EXPECT_FALSE(RunSplit(request, &outcome));
        EXPECT_EQ(outcome.failure.cause, SplitCause::Interrupted);
        EXPECT_TRUE(outcome.interrupted);
        EXPECT_EQ(told.events.back(), "recovering");
        EXPECT_EQ(told.recoverings, 1u);
        EXPECT_EQ(g_core.helpersAlive, 0);
        EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0"}));
    }
    {
        told = Told();
        told.total = 3 * RecoveryBlockSize(1) + 11;
        told.shrinkIn = dir / "out";
        request.events.context = &told;
        SplitOutcome outcome;
        EXPECT_FALSE(RunSplit(request, &outcome));
        EXPECT_EQ(outcome.failure.cause, SplitCause::PartChanged);
        EXPECT_EQ(outcome.failure.name, JoinPath(dir / "out", "data.bin__001"));
        EXPECT_FALSE(outcome.interrupted);
        EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0"}));
    }
    told = Told();
    request.events.context = &told;
    request.recovery = 5;
    SplitOutcome tooMany;
    EXPECT_FALSE(RunSplit(request, &tooMany));
    EXPECT_EQ(tooMany.failure.cause, SplitCause::TooMuchRecovery);
    EXPECT_EQ(tooMany.failure.number, 5u);
    EXPECT_EQ(tooMany.failure.other, "4");
    EXPECT_TRUE(told.events.empty() || told.events.back().rfind("warn", 0) == 0);

    request.recovery = std::nullopt;  // the default: one, for 4 parts
    WriteWholeFile(dir / "out/data.bin.vol0+1.par2", "keep");
    SplitOutcome exists;
    EXPECT_FALSE(RunSplit(request, &exists));
    EXPECT_EQ(exists.failure.cause, SplitCause::OutputExists);
    EXPECT_EQ(exists.failure.name, JoinPath(dir / "out", "data.bin.vol0+1.par2"));
    EXPECT_EQ(ReadWholeFile(dir / "out/data.bin.vol0+1.par2"), "keep");
    EXPECT_EQ(Out(), (Names{".vantorel-split-0123456789abcdef-0", "data.bin.vol0+1.par2"}));
    ResetFakeCore();
}

}  // namespace

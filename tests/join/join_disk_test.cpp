// The join on real files where the stand-ins cannot show it: a full disk,
// names held by what is not a regular file, a set cut by the splitter. A part
// removed after start-up and an output replaced after a Yes are join_test's;
// the rename that replaces is files_test's.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/survey.h"
#include "join/worker.h"
#include "tests/support/encode_record.h"
#include "tests/support/fake_record.h"
#include "tests/support/fake_tick.h"
#include "tests/support/scripted_view.h"
#include "tests/support/temp_dir.h"
#include "format/locate.h"
#include "ui/dialog.h"

namespace fs = std::filesystem;

namespace {

class DiskJoin : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScriptedView();
        g_join = JoinState{};
        g_tick = 0;
        g_tickStep = 0;
    }
    void TearDown() override {
        ReleaseJob();
        g_join = JoinState{};
    }

    void Stamp(const char* name, uint32_t count, uint64_t size) {
        ASSERT_TRUE(EncodeRecord(0, size, count, name, "", g_fakeRecord));
    }

    void StartUp(const char* name, uint32_t count, uint64_t size) {
        Stamp(name, count, size);
        ASSERT_NE(PrepareJob(), 0);
        InitJoinDialog(DialogWindow());
        ASSERT_EQ(g_join.unreadableCount, 0u);
    }
};

// A 1 MiB tmpfs mounted on dir for the length of a test.
struct SmallDisk {
    explicit SmallDisk(const fs::path& where) : dir(where) {
        fs::create_directory(dir);
        mounted = geteuid() == 0 && mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=1m") == 0;
    }
    ~SmallDisk() {
        if (mounted) umount(dir.c_str());
    }
    fs::path dir;
    bool mounted;
};

TEST_F(DiskJoin, AFullDiskFailsTheWriteAndKeepsTheParts) {
    TempDir dir;
    SmallDisk disk(dir.Path() / "small");
    if (!disk.mounted) GTEST_SKIP() << "needs root to mount a small tmpfs";
    fs::current_path(disk.dir);
    // 700 KiB of parts fit; the 700 KiB output does not fit beside them.
    WriteFile("lleno.bin__000", 400 * 1024, 1);
    WriteFile("lleno.bin__001", 300 * 1024, 2);
    std::string part0 = ReadWholeFile("lleno.bin__000");
    StartUp("lleno.bin", 2, 700 * 1024);
    g_join.bufferSize = 64 * 1024;

    // The room the disk tells is asked about before any work; a Yes goes on.
    g_view.answers.push_back(ANSWER_YES);
    OnStartButton();
    ASSERT_TRUE(RunUiLoopUntilJobEnds());

    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text.substr(0, boxes[0].text.find("Espacio libre")),
              "No hay espacio suficiente en el disco para el archivo de salida.\n"
              "Espacio necesario : 716.800 bytes.\n");
    EXPECT_EQ(boxes[1].text,
              "Un error a ocurrido durante la escritura del siguiente archivo :\n\"lleno.bin\"");
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_FAILED));
    EXPECT_FALSE(fs::exists("lleno.bin")) << "the partial output is deleted";
    EXPECT_EQ(ReadWholeFile("lleno.bin__000"), part0);
    EXPECT_EQ(fs::file_size("lleno.bin__001"), 300u * 1024);
    fs::current_path(dir.Path());
}

// Runs work on a thread of its own; when it has not returned within a few
// seconds (blocked in the open of fifo), opens the FIFO from here to release
// it, and fails.
void FinishesWithoutBlocking(const char* fifo, const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread thread([&] {
        work();
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done) {
        ADD_FAILURE() << "blocked on the FIFO " << fifo;
        int fd = open(fifo, O_RDWR | O_NONBLOCK);
        thread.join();
        if (fd >= 0) close(fd);
        return;
    }
    thread.join();
}

// A FIFO named like a part is unreadable, at start-up and when it replaces a
// part after start-up: it never holds the program.
TEST_F(DiskJoin, AFifoNamedLikeAPartIsUnreadable) {
    TempDir dir;
    WriteFile("tubo.bin__000", 100, 1);
    ASSERT_EQ(mkfifo("tubo.bin__001", 0600), 0);
    Stamp("tubo.bin", 2, 150);
    FinishesWithoutBlocking("tubo.bin__001", [] { ASSERT_NE(PrepareJob(), 0); });
    EXPECT_EQ(g_join.unreadableCount, 1u);
    EXPECT_EQ(g_join.inputTotal, 100u);
}

TEST_F(DiskJoin, AFifoInPlaceOfAPartAfterStartUpIsUnreadable) {
    TempDir dir;
    WriteFile("tubo.bin__000", 100, 1);
    WriteFile("tubo.bin__001", 50, 2);
    StartUp("tubo.bin", 2, 150);
    ASSERT_EQ(unlink("tubo.bin__001"), 0);
    ASSERT_EQ(mkfifo("tubo.bin__001", 0600), 0);
    OnStartButton();
    FinishesWithoutBlocking("tubo.bin__001", [] { ASSERT_TRUE(RunUiLoopUntilJobEnds(10)); });
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Un error a ocurrido durante la apertura del siguiente archivo :\n\"tubo.bin__001\"");
    EXPECT_FALSE(fs::exists("tubo.bin"));
}

// The files of the current directory under a temporary name of the joiner's.
int TemporaryFiles() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(".")) {
        if (entry.path().filename().string().compare(0, 11, "~selvanore-") == 0) ++count;
    }
    return count;
}

// A directory or a FIFO holding the output's name: the question first, and
// on Yes the join, which never opens the name. A directory is never
// replaced: the joined file is kept under a name of its own, which the box
// gives with the reason. A FIFO is replaced by the joined file.
class DiskJoinOverASpecialFile : public DiskJoin, public ::testing::WithParamInterface<bool> {};
TEST_P(DiskJoinOverASpecialFile, AsksThenNeverOpensIt) {
    const bool fifo = GetParam();
    TempDir dir;
    WriteFile("ocupado.bin__000", 100, 1);
    WriteFile("ocupado.bin__001", 50, 2);
    std::string joined = ReadWholeFile("ocupado.bin__000") + ReadWholeFile("ocupado.bin__001");
    StartUp("ocupado.bin", 2, 150);
    if (fifo) {
        ASSERT_EQ(mkfifo("ocupado.bin", 0600), 0);
    } else {
        fs::create_directory("ocupado.bin");
    }
    g_view.answers.push_back(ANSWER_YES);
    OnStartButton();
    FinishesWithoutBlocking("ocupado.bin", [] { ASSERT_TRUE(RunUiLoopUntilJobEnds(10)); });
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), fifo ? 1u : 2u);
    EXPECT_EQ(boxes[0].text, "El archivo de salida ya existe :\n\"ocupado.bin\"\n¿Desea reemplazarlo?");
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    if (fifo) {
        EXPECT_EQ(ReadWholeFile("ocupado.bin"), joined);
        EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
    } else {
        EXPECT_EQ(boxes[1].text,
                  "Un error a ocurrido durante la creación del siguiente archivo :\n\"ocupado.bin\"\n"
                  "Una carpeta tiene el mismo nombre.\n"
                  "El archivo concatenado ha sido guardado como :\n\"ocupado (2).bin\"");
        EXPECT_TRUE(fs::is_directory("ocupado.bin"));
        EXPECT_EQ(ReadWholeFile("ocupado (2).bin"), joined);
        EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
    }
    EXPECT_EQ(TemporaryFiles(), 0);
}
INSTANTIATE_TEST_SUITE_P(DirectoryOrFifo, DiskJoinOverASpecialFile, ::testing::Bool());

// A set cut and stamped by vantorel-split, joined by the worker with the
// record read out of the stamped joiner: the file comes back byte for byte.
struct SplitterSet {
    const char* checksum;
    const char* cut;
    uint64_t size;
};
void PrintTo(const SplitterSet& set, std::ostream* out) { *out << set.checksum; }
class DiskJoinOfASplitterSet : public DiskJoin, public ::testing::WithParamInterface<SplitterSet> {};
TEST_P(DiskJoinOfASplitterSet, RebuildsTheFile) {
    const SplitterSet& set = GetParam();
    TempDir dir;
    fs::create_directories(dir.Path() / "in");
    fs::create_directories(dir.Path() / "out");
    fs::current_path(dir.Path() / "in");
    // On Linux the file is named in UTF-8; the record names it in
    // Windows-1252, and the joiner's files follow the UTF-8 name.
    const std::string utf8Name = "pel\xC3\xAD" "cula.iso";
    WriteFile(utf8Name, set.size, 77);
    std::string original = ReadWholeFile(utf8Name);
    std::string command = std::string(SPLIT_TOOL) + " " + utf8Name + " " + set.cut +
                          " --checksum " + set.checksum + " --joiner " + PROBE_FILE + " --out ../out";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    fs::current_path(dir.Path() / "out");
    std::string joiner = ReadWholeFile(utf8Name + "__join");
    RecordLocation location;
    ASSERT_NE(LocateRecord(reinterpret_cast<const uint8_t*>(joiner.data()), joiner.size(), &location), 0);
    std::memcpy(g_fakeRecord, joiner.data() + location.offset, sizeof g_fakeRecord);
    ASSERT_NE(PrepareJob(), 0);
    InitJoinDialog(DialogWindow());
    EXPECT_EQ(g_join.unreadableCount, 0u);
    EXPECT_EQ(g_join.inputTotal, set.size);
    EXPECT_TRUE(RecordedBoxes().empty()) << "no size warning";

    OnStartButton();
    ASSERT_TRUE(RunUiLoopUntilJobEnds());
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
    EXPECT_STREQ(g_join.outputName, "película.iso");  // Windows-1252 in the record
    EXPECT_EQ(ReadWholeFile(utf8Name), original);
    if (std::string(set.checksum) != "none") {
        EXPECT_NE(ReportText().find("Checksum válido"), std::string::npos) << ReportText();
    }
    fs::current_path(dir.Path());
}
INSTANTIATE_TEST_SUITE_P(Checksums, DiskJoinOfASplitterSet,
                         ::testing::Values(SplitterSet{"sha256", "--parts 7", 5 * 1024 * 1024 + 3},
                                           SplitterSet{"md5", "--size 1000", 12345},
                                           SplitterSet{"none", "--parts 2", 2}));

}  // namespace

// The joined file on Linux: it has no name while it is written, so a run
// killed halfway leaves nothing in the folder; a replaced file's mode and
// owner pass to the file that replaces it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

const char kTemp[] = "~selvanore-00000000000000bb.tmp";

TEST(JoinedFilePosix, AKilledWriterLeavesNothing) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileHandle file = CreateJoinedFile(kTemp);
        uint32_t written = 0;
        char block[4096] = {};
        for (int i = 0; file != nullptr && i < 64; ++i) WriteFileBlock(file, block, sizeof block, &written);
        char byte = file != nullptr ? 'y' : 'n';
        ssize_t ignored = write(ready[1], &byte, 1);
        (void)ignored;
        pause();
        _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    ASSERT_EQ(byte, 'y');
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(ListNames(".").empty()) << *ListNames(".").begin();
}

TEST(JoinedFilePosix, AReplacedFileKeepsItsMode) {
    TempDir dir;
    WriteWholeFile("datos.bin", "secret");
    ASSERT_EQ(chmod("datos.bin", 0600), 0);
    FileIdentity agreed{};
    ASSERT_EQ(IdentifyName("datos.bin", &agreed), NameLookup::Found);
    FileHandle file = CreateJoinedFile(kTemp);
    ASSERT_NE(file, nullptr);
    uint32_t written = 0;
    ASSERT_NE(WriteFileBlock(file, "joined", 6, &written), 0);
    EXPECT_EQ(PublishJoinedFile(file, kTemp, "datos.bin", &agreed).placement, Placement::Placed);
    EXPECT_NE(DiscardJoinedFile(file, kTemp), 0);
    struct stat info;
    ASSERT_EQ(stat("datos.bin", &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadWholeFile("datos.bin"), "joined");
    EXPECT_EQ(ListNames("."), std::set<std::string>({"datos.bin"}));
}

}  // namespace

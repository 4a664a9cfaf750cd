// The rename that never replaces, on a file system without renameat2's
// flag: a new link, then the old name's removal. When that removal fails,
// both names would hold the file: the rename reports the failure and takes
// the new link back, so that the file keeps its old name alone. The system
// calls are wrapped here: the program's own definitions win over the C
// library's at link time.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {
bool g_noFlag = false;      // renameat2 with flags fails as on such a file system
bool g_failUnlink = false;  // the removal of "nuevo.bin" fails
}  // namespace

extern "C" int renameat2(int from, const char* old, int to, const char* name, unsigned int flags) {
    if (g_noFlag && flags != 0) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(syscall(SYS_renameat2, from, old, to, name, flags));
}

extern "C" int unlinkat(int directory, const char* name, int flags) {
    if (g_failUnlink && std::string(name) == "nuevo.bin") {
        errno = EBUSY;
        return -1;
    }
    return static_cast<int>(syscall(SYS_unlinkat, directory, name, flags));
}

extern "C" int unlink(const char* name) { return unlinkat(AT_FDCWD, name, 0); }

namespace {

struct Fallback : ::testing::Test {
    void SetUp() override { g_noFlag = true; }
    void TearDown() override { g_noFlag = g_failUnlink = false; }
};

// One rename for the joiner's names and the splitter's folders.
TEST_F(Fallback, AFailedRemovalIsReportedAndTheNewLinkTakenBack) {
    TempDir dir;
    WriteWholeFile("nuevo.bin", "abc");
    SystemFile folder;
    SystemError error;
    ASSERT_NE(OpenDirectory(".", &folder, &error), 0);
    g_failUnlink = true;
    EXPECT_EQ(RenameFile("nuevo.bin", "libre.bin", 0), 0);
    EXPECT_EQ(RenameIn(folder.handle, "nuevo.bin", "libre.bin", &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Other);
    g_failUnlink = false;
    EXPECT_EQ(ListNames("."), std::set<std::string>({"nuevo.bin"}));
    EXPECT_NE(RenameIn(folder.handle, "nuevo.bin", "libre.bin", &error), 0);
    EXPECT_EQ(ListNames("."), std::set<std::string>({"libre.bin"}));
    EXPECT_NE(RenameFile("libre.bin", "otro.bin", 0), 0);
    EXPECT_EQ(ListNames("."), std::set<std::string>({"otro.bin"}));
}

}  // namespace

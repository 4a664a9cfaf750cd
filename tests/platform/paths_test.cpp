// Paths as every program takes them: the last component and its folder,
// a name joined to a folder, and the program's own path and folder,
// natively and under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Paths, TheLastComponentAndItsDirectory) {
    EXPECT_EQ(BaseName("dir/sub/file.bin"), "file.bin");
    EXPECT_EQ(DirectoryName("dir/sub/file.bin"), "dir/sub");
    EXPECT_EQ(BaseName("file.bin"), "file.bin");
    EXPECT_EQ(DirectoryName("file.bin"), ".");
    EXPECT_EQ(DirectoryName("/file.bin"), "/");
    EXPECT_EQ(BaseName("/A\xC3\xB1o/\xC2\xAB" "1\xC2\xBB.bin"), "\xC2\xAB" "1\xC2\xBB.bin");
    EXPECT_EQ(JoinPath("dir/", "x"), "dir/x");
    EXPECT_EQ(JoinPath("dir/sub", "x"), "dir/sub/x");
    std::string joined = JoinPath("dir", "x");
    EXPECT_EQ(BaseName(joined), "x");
    EXPECT_EQ(DirectoryName(joined), "dir");
}

// Started from another folder, the names the program uses resolve beside
// its own file: here the test program's own name.
TEST(ProgramFolder, NamesResolveBesideTheProgramWhereverItWasStarted) {
    TempDir elsewhere;
    SystemError error;
    std::string self = ProgramPath(&error);
    EXPECT_EQ(BaseName(self), PROGRAM_FILE_NAME) << error.reason;
    ASSERT_FALSE(NameExists(PROGRAM_FILE_NAME));
    ASSERT_TRUE(UseProgramFolder());
    EXPECT_TRUE(NameExists(PROGRAM_FILE_NAME));
    EXPECT_FALSE(std::filesystem::equivalent(std::filesystem::current_path(), elsewhere.Path()));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), DirectoryName(self)));
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

// Started from another folder, the names the program uses resolve beside
// its own file: here the test program's own name.
TEST(ProgramFolder, NamesResolveBesideTheProgramWhereverItWasStarted) {
    TempDir elsewhere;
    ASSERT_FALSE(NameExists(PROGRAM_FILE_NAME));
    ASSERT_TRUE(UseProgramFolder());
    EXPECT_TRUE(NameExists(PROGRAM_FILE_NAME));
    EXPECT_FALSE(std::filesystem::equivalent(std::filesystem::current_path(), elsewhere.Path()));
}

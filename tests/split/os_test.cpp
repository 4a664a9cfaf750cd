// The splitter's operating-system layer (os.h) as the portable code relies
// on it, the same cases on Linux and under Wine: exclusive creation, names
// given without replacing, existence of any kind of entry, reads and writes,
// refusals of what is not a regular file, and names in any script.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tools/split/os.h"

namespace {

namespace fs = std::filesystem;

// Creates name in directory holding text, through the layer.
void Make(OsHandle directory, const std::string& name, const std::string& text) {
    OsFile file;
    ASSERT_EQ(OsCreateIn(directory, name, false, &file), 1) << name << ": " << OsLastErrorText();
    ASSERT_EQ(OsWriteAll(file.handle, text.data(), text.size()), 1) << OsLastErrorText();
    ASSERT_EQ(OsSync(file.handle), 1) << OsLastErrorText();
    ASSERT_EQ(file.Close(), 1) << OsLastErrorText();
}

// The whole of the file at path, read through the layer.
std::string Read(const std::string& path) {
    OsFile file;
    uint64_t size = 0;
    if (!OsOpenRegularFile(path, &file, &size)) {
        return "(cannot open: " + std::string(OsLastErrorText()) + ")";
    }
    std::string text;
    char buffer[3];  // smaller than the files: reads go on until the end
    size_t got = 0;
    while (OsRead(file.handle, buffer, sizeof buffer, &got) && got > 0) text.append(buffer, got);
    EXPECT_EQ(size, text.size()) << path;
    return text;
}

class OsLayer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(OsOpenDirectory(".", &folder), 1) << OsLastErrorText();
        directory = folder.handle;
    }
    TempDir temp;
    OsFile folder;
    OsHandle directory = kNoHandle;
};

TEST_F(OsLayer, CreationIsExclusiveAndNamingNeverReplaces) {
    Make(directory, "a", "first");
    OsFile file;
    EXPECT_EQ(OsCreateIn(directory, "a", false, &file), 0);
    EXPECT_EQ(OsLastError(), OsError::Exists);
    EXPECT_EQ(Read("a"), "first");

    EXPECT_EQ(OsRenameIn(directory, "a", "b"), 1) << OsLastErrorText();
    EXPECT_EQ(ListNames("."), (std::set<std::string>{"b"}));
    Make(directory, "c", "second");
    EXPECT_EQ(OsRenameIn(directory, "c", "b"), 0);
    EXPECT_EQ(OsLastError(), OsError::Exists);
    EXPECT_EQ(Read("b"), "first");
    EXPECT_EQ(Read("c"), "second");
    EXPECT_EQ(OsRenameIn(directory, "missing", "d"), 0);
    EXPECT_EQ(OsLastError(), OsError::Missing);
    EXPECT_EQ(OsSyncDirectory(directory), 1);

    OsRemoveIn(directory, "c");
    OsRemoveIn(directory, "never there");
    EXPECT_EQ(ListNames("."), (std::set<std::string>{"b"}));
}

TEST_F(OsLayer, AnyEntryMakesANameTaken) {
    Make(directory, "file", "x");
    fs::create_directory("folder");
    EXPECT_EQ(OsLookUpIn(directory, "file"), NameLookup::Found);
    EXPECT_EQ(OsLookUpIn(directory, "folder"), NameLookup::Found);
    EXPECT_EQ(OsLookUpIn(directory, "nothing"), NameLookup::Absent);
    EXPECT_EQ(OsLookUp("file"), NameLookup::Found);
    EXPECT_EQ(OsLookUp(OsJoinPath(".", "folder")), NameLookup::Found);
    EXPECT_EQ(OsLookUp(OsJoinPath("folder", "nothing")), NameLookup::Absent);
    EXPECT_EQ(OsLookUp(OsJoinPath("nothing", "nothing")), NameLookup::Absent);
    // A folder of the path that is a file: nothing can be there.
    EXPECT_EQ(OsLookUp(OsJoinPath("file", "nothing")), NameLookup::Absent);
    OsFile file;
    EXPECT_EQ(OsCreateIn(directory, "folder", false, &file), 0);
    EXPECT_EQ(OsRenameIn(directory, "file", "folder"), 0);
    EXPECT_EQ(Read("file"), "x");
}

TEST_F(OsLayer, ADirectoryListsEveryName) {
    std::vector<std::string> names = {"x"};
    ASSERT_EQ(OsListDirectory(directory, &names), 1) << OsLastErrorText();
    EXPECT_TRUE(names.empty());
    Make(directory, ".hidden-1", "");
    Make(directory, "A\xC3\xB1o \xE6\x97\xA5.bin", "");
    fs::create_directory("folder");
    ASSERT_EQ(OsListDirectory(directory, &names), 1) << OsLastErrorText();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{".hidden-1", "A\xC3\xB1o \xE6\x97\xA5.bin", "folder"}));
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(OsLayer, OnlyRegularFilesOpenForReading) {
    OsFile file;
    uint64_t size = 0;
    fs::create_directory("folder");
    EXPECT_EQ(OsOpenRegularFile("folder", &file, &size), 0);
    EXPECT_EQ(OsLastError(), OsError::NotRegular);
    EXPECT_STREQ(OsLastErrorText(), "not a regular file");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(OsOpenRegularFile("missing", &file, &size), 0);
    EXPECT_EQ(OsLastError(), OsError::Missing);
    EXPECT_GT(std::string(OsLastErrorText()).size(), 0u);

    Make(directory, "empty", "");
    ASSERT_EQ(OsOpenRegularFile("empty", &file, &size), 1);
    size_t got = 1;
    char byte;
    EXPECT_EQ(OsRead(file.handle, &byte, 1, &got), 1);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(file.Close(), 1);
}

TEST_F(OsLayer, AWriteInPlaceChangesTheTimesOfAnOpenFile) {
    Make(directory, "file", "0123456789");
    // Times well in the past, so that the write's own cannot equal them.
    fs::last_write_time("file", fs::last_write_time("file") - std::chrono::hours(24 * 400));
    OsFile file;
    uint64_t size = 0;
    ASSERT_EQ(OsOpenRegularFile("file", &file, &size), 1) << OsLastErrorText();
    OsFileTimes before, unchanged, after;
    ASSERT_EQ(OsGetFileTimes(file.handle, &before), 1) << OsLastErrorText();
    char bytes[4];
    size_t got = 0;
    ASSERT_EQ(OsRead(file.handle, bytes, sizeof bytes, &got), 1);
    ASSERT_EQ(OsGetFileTimes(file.handle, &unchanged), 1);
    EXPECT_TRUE(OsSameFileTimes(before, unchanged)) << "reading changes nothing";
    {
        std::fstream other("file", std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(3);
        other.write("X", 1);
    }
    ASSERT_EQ(OsGetFileTimes(file.handle, &after), 1);
    EXPECT_FALSE(OsSameFileTimes(before, after));
    EXPECT_EQ(fs::file_size("file"), 10u);
}

TEST_F(OsLayer, DirectoriesOpenOnlyWhenTheyAre) {
    Make(directory, "file", "x");
    OsFile other;
    EXPECT_EQ(OsOpenDirectory("file", &other), 0);
    EXPECT_EQ(OsLastError(), OsError::NotDirectory);
    EXPECT_EQ(OsOpenDirectory("missing", &other), 0);
    EXPECT_EQ(OsLastError(), OsError::Missing);
    fs::create_directory("sub");
    ASSERT_EQ(OsOpenDirectory("sub", &other), 1) << OsLastErrorText();
    Make(other.handle, "inside", "y");
    EXPECT_EQ(Read(OsJoinPath("sub", "inside")), "y");
    EXPECT_EQ(OsLookUpIn(directory, "inside"), NameLookup::Absent);
    EXPECT_GE(OsLongestName(other.handle), 255u);
    EXPECT_EQ(other.Close(), 1);
}

TEST_F(OsLayer, NamesInAnyScriptReachTheFileSystemIntact) {
    // Latin, Greek, Japanese and a character beyond the 16-bit range.
    const std::string names[] = {
        "A\xC3\xB1o caf\xC3\xA9 \xC2\xAB" "1\xC2\xBB.bin",
        "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.bin",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt",
        "\xF0\x9F\x98\x80.dat",
    };
    for (const std::string& name : names) {
        Make(directory, name, name);
        EXPECT_EQ(OsLookUpIn(directory, name), NameLookup::Found) << name;
        EXPECT_EQ(Read(OsJoinPath(".", name)), name);
        EXPECT_EQ(OsRenameIn(directory, name, name + "__000"), 1) << name;
    }
    std::set<std::string> renamed;
    for (const std::string& name : names) renamed.insert(name + "__000");
    EXPECT_EQ(ListNames("."), renamed);
    // A name is as long as the file system counts it, never less than in
    // characters and never more than in bytes.
    size_t length = OsNameLength("A\xC3\xB1o");
    EXPECT_TRUE(length == 3 || length == 4) << length;
    EXPECT_EQ(OsNameLength("plain"), 5u);
}

TEST(OsPaths, TheLastComponentAndItsDirectory) {
    EXPECT_EQ(OsBaseName("dir/sub/file.bin"), "file.bin");
    EXPECT_EQ(OsDirectoryName("dir/sub/file.bin"), "dir/sub");
    EXPECT_EQ(OsBaseName("file.bin"), "file.bin");
    EXPECT_EQ(OsDirectoryName("file.bin"), ".");
    EXPECT_EQ(OsDirectoryName("/file.bin"), "/");
    EXPECT_EQ(OsBaseName("/A\xC3\xB1o/\xC2\xAB" "1\xC2\xBB.bin"), "\xC2\xAB" "1\xC2\xBB.bin");
    EXPECT_EQ(OsJoinPath("dir/", "x"), "dir/x");
    EXPECT_EQ(OsJoinPath("dir/sub", "x"), "dir/sub/x");
    std::string joined = OsJoinPath("dir", "x");
    EXPECT_EQ(OsBaseName(joined), "x");
    EXPECT_EQ(OsDirectoryName(joined), "dir");
}

TEST(OsProcess, RandomBytesDifferFromDrawToDraw) {
    uint8_t first[40] = {};
    uint8_t second[40] = {};
    ASSERT_EQ(OsRandomBytes(first, sizeof first), 1) << OsLastErrorText();
    ASSERT_EQ(OsRandomBytes(second, sizeof second), 1) << OsLastErrorText();
    EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
    // More than one call's worth on either system, filled to the end.
    std::vector<uint8_t> large(300000, 0);
    ASSERT_EQ(OsRandomBytes(large.data(), large.size()), 1) << OsLastErrorText();
    EXPECT_NE(std::count(large.end() - 64, large.end(), 0), 64);
}

}  // namespace

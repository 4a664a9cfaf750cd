// Files and folders by path (platform/files.h) as the splitter relies on
// them, the same cases on Linux and under Wine: existence of any kind of
// entry, listings, reads and writes, the times of an open file, refusals of
// what is not a regular file or a folder, and names in any script.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Creates name in directory holding text, through the layer.
void Make(SystemHandle directory, const std::string& name, const std::string& text) {
    SystemFile file;
    SystemError error;
    ASSERT_EQ(CreateIn(directory, name, false, &file, &error), 1) << name << ": " << error.reason;
    ASSERT_EQ(WriteAll(file.handle, text.data(), text.size(), &error), 1) << error.reason;
    ASSERT_EQ(SyncFile(file.handle, &error), 1) << error.reason;
    ASSERT_EQ(file.Close(&error), 1) << error.reason;
}

// The whole of the file at path, read through the layer.
std::string Read(const std::string& path) {
    SystemFile file;
    uint64_t size = 0;
    SystemError error;
    if (!OpenRegularFile(path, &file, &size, &error)) return "(cannot open: " + error.reason + ")";
    std::string text;
    char buffer[3];  // smaller than the files: reads go on until the end
    size_t got = 0;
    while (ReadSome(file.handle, buffer, sizeof buffer, &got, &error) && got > 0) text.append(buffer, got);
    EXPECT_EQ(size, text.size()) << path;
    return text;
}

class FilesByPath : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(OpenDirectory(".", &folder, &error), 1) << error.reason;
        directory = folder.handle;
    }
    TempDir temp;
    SystemFile folder;
    SystemHandle directory = kNoHandle;
    SystemError error;
};

TEST_F(FilesByPath, AnyEntryMakesANameTaken) {
    Make(directory, "file", "x");
    fs::create_directory("folder");
    EXPECT_EQ(LookUpIn(directory, "file", &error), NameLookup::Found);
    EXPECT_EQ(LookUpIn(directory, "folder", &error), NameLookup::Found);
    EXPECT_EQ(LookUpIn(directory, "nothing", &error), NameLookup::Absent);
    EXPECT_EQ(LookUp("file", &error), NameLookup::Found);
    EXPECT_EQ(LookUp(JoinPath(".", "folder"), &error), NameLookup::Found);
    EXPECT_EQ(LookUp(JoinPath("folder", "nothing"), &error), NameLookup::Absent);
    EXPECT_EQ(LookUp(JoinPath("nothing", "nothing"), &error), NameLookup::Absent);
    // A folder of the path that is a file: nothing can be there.
    EXPECT_EQ(LookUp(JoinPath("file", "nothing"), &error), NameLookup::Absent);
    SystemFile file;
    EXPECT_EQ(CreateIn(directory, "folder", false, &file, &error), 0);
    EXPECT_EQ(RenameIn(directory, "file", "folder", &error), 0);
    EXPECT_EQ(Read("file"), "x");
}

TEST_F(FilesByPath, ADirectoryListsEveryName) {
    std::vector<std::string> names = {"x"};
    ASSERT_EQ(ListDirectory(directory, &names, &error), 1) << error.reason;
    EXPECT_TRUE(names.empty());
    Make(directory, ".hidden-1", "");
    Make(directory, "A\xC3\xB1o \xE6\x97\xA5.bin", "");
    fs::create_directory("folder");
    ASSERT_EQ(ListDirectory(directory, &names, &error), 1) << error.reason;
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{".hidden-1", "A\xC3\xB1o \xE6\x97\xA5.bin", "folder"}));
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(FilesByPath, OnlyRegularFilesOpenForReading) {
    SystemFile file;
    uint64_t size = 0;
    fs::create_directory("folder");
    EXPECT_EQ(OpenRegularFile("folder", &file, &size, &error), 0);
    EXPECT_EQ(error.fault, SystemFault::NotRegular);
    EXPECT_EQ(error.reason, "not a regular file");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(OpenRegularFile("missing", &file, &size, &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Missing);
    EXPECT_GT(error.reason.size(), 0u);

    Make(directory, "empty", "");
    ASSERT_EQ(OpenRegularFile("empty", &file, &size, &error), 1);
    size_t got = 1;
    char byte;
    EXPECT_EQ(ReadSome(file.handle, &byte, 1, &got, &error), 1);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(file.Close(&error), 1);
}

TEST_F(FilesByPath, AWriteInPlaceChangesTheTimesOfAnOpenFile) {
    Make(directory, "file", "0123456789");
    // Times well in the past, so that the write's own cannot equal them.
    fs::last_write_time("file", fs::last_write_time("file") - std::chrono::hours(24 * 400));
    SystemFile file;
    uint64_t size = 0;
    ASSERT_EQ(OpenRegularFile("file", &file, &size, &error), 1) << error.reason;
    FileTimes before, unchanged, after;
    ASSERT_EQ(GetFileTimes(file.handle, &before, &error), 1) << error.reason;
    char bytes[4];
    size_t got = 0;
    ASSERT_EQ(ReadSome(file.handle, bytes, sizeof bytes, &got, &error), 1);
    ASSERT_EQ(GetFileTimes(file.handle, &unchanged, &error), 1);
    EXPECT_TRUE(SameFileTimes(before, unchanged)) << "reading changes nothing";
    {
        std::fstream other("file", std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(3);
        other.write("X", 1);
    }
    ASSERT_EQ(GetFileTimes(file.handle, &after, &error), 1);
    EXPECT_FALSE(SameFileTimes(before, after));
    EXPECT_EQ(fs::file_size("file"), 10u);
}

TEST_F(FilesByPath, DirectoriesOpenOnlyWhenTheyAre) {
    Make(directory, "file", "x");
    SystemFile other;
    EXPECT_EQ(OpenDirectory("file", &other, &error), 0);
    EXPECT_EQ(error.fault, SystemFault::NotDirectory);
    EXPECT_EQ(OpenDirectory("missing", &other, &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Missing);
    fs::create_directory("sub");
    ASSERT_EQ(OpenDirectory("sub", &other, &error), 1) << error.reason;
    Make(other.handle, "inside", "y");
    EXPECT_EQ(Read(JoinPath("sub", "inside")), "y");
    EXPECT_EQ(LookUpIn(directory, "inside", &error), NameLookup::Absent);
    EXPECT_GE(LongestName(other.handle), 255u);
    EXPECT_EQ(other.Close(&error), 1);
}

TEST_F(FilesByPath, NamesInAnyScriptReachTheFileSystemIntact) {
    // Latin, Greek, Japanese and a character beyond the 16-bit range.
    const std::string names[] = {
        "A\xC3\xB1o caf\xC3\xA9 \xC2\xAB" "1\xC2\xBB.bin",
        "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.bin",
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt",
        "\xF0\x9F\x98\x80.dat",
    };
    for (const std::string& name : names) {
        Make(directory, name, name);
        EXPECT_EQ(LookUpIn(directory, name, &error), NameLookup::Found) << name;
        EXPECT_EQ(Read(JoinPath(".", name)), name);
        EXPECT_EQ(RenameIn(directory, name, name + "__000", &error), 1) << name;
    }
    std::set<std::string> renamed;
    for (const std::string& name : names) renamed.insert(name + "__000");
    EXPECT_EQ(ListNames("."), renamed);
    // A name is as long as the file system counts it, never less than in
    // characters and never more than in bytes.
    size_t length = NameLength("A\xC3\xB1o");
    EXPECT_TRUE(length == 3 || length == 4) << length;
    EXPECT_EQ(NameLength("plain"), 5u);
}

}  // namespace

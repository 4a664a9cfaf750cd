// What only the Windows layer has to do: both separators and drive letters
// in paths, devices refused as not regular, sharing like a POSIX file, the
// output directory held in place, and paths longer than MAX_PATH.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "tools/split/os.h"

namespace {

TEST(OsWin32Paths, BothSeparatorsAndDrives) {
    EXPECT_EQ(OsBaseName("C:\\data\\A\xC3\xB1o.bin"), "A\xC3\xB1o.bin");
    EXPECT_EQ(OsDirectoryName("C:\\data\\A\xC3\xB1o.bin"), "C:\\data");
    EXPECT_EQ(OsBaseName("a/b\\c.bin"), "c.bin");
    EXPECT_EQ(OsDirectoryName("a/b\\c.bin"), "a/b");
    EXPECT_EQ(OsDirectoryName("a\\b/c.bin"), "a\\b");
    EXPECT_EQ(OsDirectoryName("C:\\file"), "C:\\");
    EXPECT_EQ(OsDirectoryName("C:/file"), "C:/");
    EXPECT_EQ(OsDirectoryName("\\file"), "\\");
    EXPECT_EQ(OsBaseName("C:file"), "file");
    EXPECT_EQ(OsDirectoryName("C:file"), "C:");
    EXPECT_EQ(OsDirectoryName("\\\\server\\share\\file"), "\\\\server\\share");
    EXPECT_EQ(OsDirectoryName("dir\\\\file"), "dir");

    EXPECT_EQ(OsJoinPath("C:", "file"), "C:file");
    EXPECT_EQ(OsJoinPath("C:\\", "file"), "C:\\file");
    EXPECT_EQ(OsJoinPath("a\\b", "file"), "a\\b\\file");
    EXPECT_EQ(OsJoinPath("a/b", "file"), "a/b/file");
    EXPECT_EQ(OsJoinPath("a", "file"), "a\\file");
    std::string self = OsOwnPath();
    EXPECT_EQ(OsBaseName(self).substr(0, 14), "split_os_test.") << self;
    EXPECT_EQ(OsLookUp(self), NameLookup::Found);
}

TEST(OsWin32Files, DevicesAreNotRegularFiles) {
    for (const char* device : {"NUL", "\\\\.\\NUL", "nul.txt"}) {
        OsFile file;
        uint64_t size = 0;
        EXPECT_EQ(OsOpenRegularFile(device, &file, &size), 0) << device;
        EXPECT_EQ(OsLastError(), OsError::NotRegular) << device << ": " << OsLastErrorText();
    }
    // The console's input opens only where there is a console; it is never
    // read as a file.
    OsFile file;
    uint64_t size = 0;
    EXPECT_EQ(OsOpenRegularFile("CONIN$", &file, &size), 0);
}

TEST(OsWin32Files, AnInputIsSharedLikeAPosixFile) {
    TempDir temp;
    WriteFile("input", 100);
    OsFile file;
    uint64_t size = 0;
    ASSERT_EQ(OsOpenRegularFile("input", &file, &size), 1);
    // Others may still open it for writing, and rename it.
    HANDLE writer = CreateFileW(L"input", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << GetLastError();
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_TRUE(MoveFileExW(L"input", L"renamed", 0)) << GetLastError();
    EXPECT_EQ(file.Close(), 1);
}

TEST(OsWin32Files, TheOutputDirectoryIsHeldInPlace) {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        GTEST_SKIP() << "Wine renames a directory whatever its handles share";
    }
    TempDir temp;
    CreateDirectoryW(L"out", nullptr);
    OsFile directory;
    ASSERT_EQ(OsOpenDirectory("out", &directory), 1) << OsLastErrorText();
    // Renamed away, the outputs would land elsewhere than checked.
    EXPECT_FALSE(MoveFileExW(L"out", L"moved", 0));
    EXPECT_EQ(directory.Close(), 1);
    EXPECT_TRUE(MoveFileExW(L"out", L"moved", 0)) << GetLastError();
}

TEST(OsWin32Files, PathsLongerThanMaxPath) {
    TempDir temp;
    // Five levels of 60 characters: the files lie beyond 300 characters.
    std::string path = ".";
    std::wstring full = std::wstring(L"\\\\?\\") + temp.Path().wstring();
    for (int level = 0; level < 5; ++level) {
        std::string name(60, static_cast<char>('a' + level));
        path = OsJoinPath(path, name);
        full += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + level));
        ASSERT_TRUE(CreateDirectoryW(full.c_str(), nullptr)) << GetLastError();
    }
    OsFile directory;
    ASSERT_EQ(OsOpenDirectory(path, &directory), 1) << OsLastErrorText();
    OsFile file;
    ASSERT_EQ(OsCreateIn(directory.handle, "part__000", false, &file), 1) << OsLastErrorText();
    EXPECT_EQ(OsWriteAll(file.handle, "deep", 4), 1);
    EXPECT_EQ(file.Close(), 1);
    EXPECT_EQ(OsRenameIn(directory.handle, "part__000", "part__001"), 1) << OsLastErrorText();
    EXPECT_EQ(OsLookUpIn(directory.handle, "part__001"), NameLookup::Found);
    uint64_t size = 0;
    ASSERT_EQ(OsOpenRegularFile(OsJoinPath(path, "part__001"), &file, &size), 1)
        << OsLastErrorText();
    EXPECT_EQ(size, 4u);
    file.Close();
    OsRemoveIn(directory.handle, "part__001");
    EXPECT_EQ(OsLookUpIn(directory.handle, "part__001"), NameLookup::Absent);
    directory.Close();
    // Removed again so that the temporary directory can go.
    for (int level = 4; level >= 0; --level) {
        RemoveDirectoryW(full.c_str());
        full.resize(full.size() - 61);
    }
}

}  // namespace

// What only the Windows layer has to do: both separators and drive letters
// in paths, devices refused as not regular, sharing like a POSIX file, the
// output directory held in place, and paths longer than MAX_PATH.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(Win32Paths, BothSeparatorsAndDrives) {
    SystemError error;
    EXPECT_EQ(BaseName("C:\\data\\A\xC3\xB1o.bin"), "A\xC3\xB1o.bin");
    EXPECT_EQ(DirectoryName("C:\\data\\A\xC3\xB1o.bin"), "C:\\data");
    EXPECT_EQ(BaseName("a/b\\c.bin"), "c.bin");
    EXPECT_EQ(DirectoryName("a/b\\c.bin"), "a/b");
    EXPECT_EQ(DirectoryName("a\\b/c.bin"), "a\\b");
    EXPECT_EQ(DirectoryName("C:\\file"), "C:\\");
    EXPECT_EQ(DirectoryName("C:/file"), "C:/");
    EXPECT_EQ(DirectoryName("\\file"), "\\");
    EXPECT_EQ(BaseName("C:file"), "file");
    EXPECT_EQ(DirectoryName("C:file"), "C:");
    EXPECT_EQ(DirectoryName("\\\\server\\share\\file"), "\\\\server\\share");
    EXPECT_EQ(DirectoryName("dir\\\\file"), "dir");

    EXPECT_EQ(JoinPath("C:", "file"), "C:file");
    EXPECT_EQ(JoinPath("C:\\", "file"), "C:\\file");
    EXPECT_EQ(JoinPath("a\\b", "file"), "a\\b\\file");
    EXPECT_EQ(JoinPath("a/b", "file"), "a/b/file");
    EXPECT_EQ(JoinPath("a", "file"), "a\\file");
    std::string self = ProgramPath(&error);
    EXPECT_EQ(BaseName(self), PROGRAM_FILE_NAME) << self;
    EXPECT_EQ(LookUp(self, &error), NameLookup::Found);
}

TEST(Win32Files, DevicesAreNotRegularFiles) {
    SystemError error;
    for (const char* device : {"NUL", "\\\\.\\NUL", "nul.txt"}) {
        SystemFile file;
        uint64_t size = 0;
        EXPECT_EQ(OpenRegularFile(device, &file, &size, &error), 0) << device;
        EXPECT_EQ(error.fault, SystemFault::NotRegular) << device << ": " << error.reason;
    }
    // The console's input opens only where there is a console; it is never
    // read as a file.
    SystemFile file;
    uint64_t size = 0;
    EXPECT_EQ(OpenRegularFile("CONIN$", &file, &size, &error), 0);
}

TEST(Win32Files, AnInputIsSharedLikeAPosixFile) {
    SystemError error;
    TempDir temp;
    WriteFile("input", 100);
    SystemFile file;
    uint64_t size = 0;
    ASSERT_EQ(OpenRegularFile("input", &file, &size, &error), 1);
    // Others may still open it for writing, and rename it.
    HANDLE writer = CreateFileW(L"input", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << GetLastError();
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_TRUE(MoveFileExW(L"input", L"renamed", 0)) << GetLastError();
    EXPECT_EQ(file.Close(&error), 1);
}

TEST(Win32Files, TheOutputDirectoryIsHeldInPlace) {
    SystemError error;
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        GTEST_SKIP() << "Wine renames a directory whatever its handles share";
    }
    TempDir temp;
    CreateDirectoryW(L"out", nullptr);
    SystemFile directory;
    ASSERT_EQ(OpenDirectory("out", &directory, &error), 1) << error.reason;
    // Renamed away, the outputs would land elsewhere than checked.
    EXPECT_FALSE(MoveFileExW(L"out", L"moved", 0));
    EXPECT_EQ(directory.Close(&error), 1);
    EXPECT_TRUE(MoveFileExW(L"out", L"moved", 0)) << GetLastError();
}

TEST(Win32Files, PathsLongerThanMaxPath) {
    SystemError error;
    TempDir temp;
    // Five levels of 60 characters: the files lie beyond 300 characters.
    std::string path = ".";
    std::wstring full = std::wstring(L"\\\\?\\") + temp.Path().wstring();
    for (int level = 0; level < 5; ++level) {
        std::string name(60, static_cast<char>('a' + level));
        path = JoinPath(path, name);
        full += L"\\" + std::wstring(60, static_cast<wchar_t>(L'a' + level));
        ASSERT_TRUE(CreateDirectoryW(full.c_str(), nullptr)) << GetLastError();
    }
    SystemFile directory;
    ASSERT_EQ(OpenDirectory(path, &directory, &error), 1) << error.reason;
    SystemFile file;
    ASSERT_EQ(CreateIn(directory.handle, "part__000", false, &file, &error), 1) << error.reason;
    EXPECT_EQ(WriteAll(file.handle, "deep", 4, &error), 1);
    EXPECT_EQ(file.Close(&error), 1);
    EXPECT_EQ(RenameIn(directory.handle, "part__000", "part__001", &error), 1) << error.reason;
    EXPECT_EQ(LookUpIn(directory.handle, "part__001", &error), NameLookup::Found);
    uint64_t size = 0;
    ASSERT_EQ(OpenRegularFile(JoinPath(path, "part__001"), &file, &size, &error), 1)
        << error.reason;
    EXPECT_EQ(size, 4u);
    file.Close(&error);
    RemoveIn(directory.handle, "part__001");
    EXPECT_EQ(LookUpIn(directory.handle, "part__001", &error), NameLookup::Absent);
    directory.Close(&error);
    // Removed again so that the temporary directory can go.
    for (int level = 4; level >= 0; --level) {
        RemoveDirectoryW(full.c_str());
        full.resize(full.size() - 61);
    }
}

}  // namespace

// The rules every file of every program follows, on this system's files,
// through both faces of the system layer: the join's Windows-1252 names
// (platform.h) and the splitter's UTF-8 paths and folders (files.h). A
// creation is exclusive and unshared, a rename without replacing never
// replaces, a link is never followed, and temporary names come from a
// source that does not repeat.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// The working directory, opened as the splitter opens its output folder.
SystemHandle Folder(SystemFile* folder) {
    SystemError error;
    EXPECT_EQ(OpenDirectory(".", folder, &error), 1) << error.reason;
    return folder->handle;
}

TEST(Files, ANewFileIsMadeOnlyWhereNothingHoldsTheName) {
    TempDir dir;
    SystemFile folder;
    SystemHandle here = Folder(&folder);
    WriteFile("ocupado.bin", 10, 1);
    std::string before = ReadWholeFile("ocupado.bin");
    fs::create_directory("carpeta");
    EXPECT_EQ(CreateNewFile("ocupado.bin"), nullptr);
    EXPECT_EQ(CreateNewFile("carpeta"), nullptr);
    SystemFile file;
    SystemError error;
    EXPECT_EQ(CreateIn(here, "ocupado.bin", false, &file, &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Exists);
    EXPECT_EQ(CreateIn(here, "carpeta", false, &file, &error), 0);
    EXPECT_EQ(ReadWholeFile("ocupado.bin"), before);

    // Made new, the file is the program's alone while it is open.
    FileHandle made = CreateNewFile("nuevo.bin");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(OpenPartFile("nuevo.bin"), nullptr) << "not shared while open";
    uint32_t written = 0;
    EXPECT_NE(WriteFileBlock(made, "abc", 3, &written), 0);
    EXPECT_NE(FlushFile(made), 0);
    EXPECT_NE(CloseFile(made), 0);
    EXPECT_EQ(ReadWholeFile("nuevo.bin"), "abc");
    ASSERT_EQ(CreateIn(here, "otro.bin", false, &file, &error), 1) << error.reason;
    EXPECT_EQ(OpenPartFile("otro.bin"), nullptr) << "not shared while open";
    EXPECT_EQ(WriteAll(file.handle, "defg", 4, &error), 1) << error.reason;
    EXPECT_EQ(SyncFile(file.handle, &error), 1) << error.reason;
    EXPECT_EQ(file.Close(&error), 1) << error.reason;
    EXPECT_EQ(ReadWholeFile("otro.bin"), "defg");
}

TEST(Files, ReadsAndWritesBeginWhereTheFileWasPositioned) {
    TempDir dir;
    FileHandle made = CreateNewFile("posiciones.bin");
    ASSERT_NE(made, nullptr);
    uint32_t count = 0;
    ASSERT_NE(WriteFileBlock(made, "abcdef", 6, &count), 0);
    ASSERT_NE(SeekFile(made, 8), 0);
    ASSERT_NE(WriteFileBlock(made, "XY", 2, &count), 0);
    ASSERT_NE(SeekFile(made, 2), 0);
    ASSERT_NE(WriteFileBlock(made, "C", 1, &count), 0);
    ASSERT_NE(CloseFile(made), 0);
    EXPECT_EQ(ReadWholeFile("posiciones.bin"), std::string("abCdef\0\0XY", 10));

    FileHandle part = OpenPartFile("posiciones.bin");
    ASSERT_NE(part, nullptr);
    char block[4] = {};
    ASSERT_NE(SeekFile(part, 7), 0);
    ASSERT_NE(ReadFileBlock(part, block, 4, &count), 0);
    EXPECT_EQ(std::string(block, count), std::string("\0XY", 3)) << "short only at the end";
    ASSERT_NE(SeekFile(part, 1), 0);
    ASSERT_NE(ReadFileBlock(part, block, 2, &count), 0);
    EXPECT_EQ(std::string(block, count), "bC");
    EXPECT_NE(CloseFile(part), 0);
}

TEST(Files, ARenameReplacesOnlyWhenAskedAndNeverADirectory) {
    TempDir dir;
    WriteFile("nuevo.bin", 5, 1);
    WriteFile("viejo.bin", 7, 2);
    std::string fresh = ReadWholeFile("nuevo.bin");
    std::string old = ReadWholeFile("viejo.bin");
    EXPECT_EQ(RenameFile("nuevo.bin", "viejo.bin", 0), 0);
    SystemFile folder;
    SystemHandle here = Folder(&folder);
    SystemError error;
    EXPECT_EQ(RenameIn(here, "nuevo.bin", "viejo.bin", &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Exists);
    EXPECT_EQ(ReadWholeFile("nuevo.bin"), fresh);
    EXPECT_EQ(ReadWholeFile("viejo.bin"), old);
    EXPECT_NE(RenameFile("nuevo.bin", "viejo.bin", 1), 0);
    EXPECT_FALSE(fs::exists("nuevo.bin"));
    EXPECT_EQ(ReadWholeFile("viejo.bin"), fresh);
    EXPECT_NE(RenameFile("viejo.bin", "libre.bin", 0), 0);
    EXPECT_EQ(RenameIn(here, "libre.bin", "suelto.bin", &error), 1) << error.reason;
    EXPECT_EQ(ReadWholeFile("suelto.bin"), fresh);
    EXPECT_EQ(RenameIn(here, "missing", "d", &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Missing);
    EXPECT_EQ(SyncDirectory(here, &error), 1);

    fs::create_directory("carpeta");
    EXPECT_EQ(RenameFile("suelto.bin", "carpeta", 1), 0);
    EXPECT_EQ(RenameFile("suelto.bin", "carpeta", 0), 0);
    EXPECT_EQ(RenameIn(here, "suelto.bin", "carpeta", &error), 0);
    EXPECT_TRUE(fs::is_directory("carpeta"));
    EXPECT_EQ(ReadWholeFile("suelto.bin"), fresh);
    RemoveIn(here, "suelto.bin");
    RemoveIn(here, "never there");
    EXPECT_EQ(ListNames("."), std::set<std::string>({"carpeta"}));
}

// A symbolic link, dangling or to a file elsewhere, holds its name: it is
// seen, never created through, and a replacing rename replaces the link,
// never its target.
TEST(Files, ALinkIsNeverFollowed) {
    TempDir dir;
    fs::create_directory("otra");
    fs::path target = fs::absolute("otra") / "destino.bin";
    std::error_code linkError;
    fs::create_symlink(target, "enlace.bin", linkError);
    if (linkError) GTEST_SKIP() << "no symbolic links here: " << linkError.message();

    SystemFile folder;
    SystemHandle here = Folder(&folder);
    SystemError error;
    EXPECT_NE(NameExists("enlace.bin"), 0) << "a dangling link";
    EXPECT_EQ(LookUpIn(here, "enlace.bin", &error), NameLookup::Found);
    EXPECT_EQ(CreateNewFile("enlace.bin"), nullptr);
    SystemFile file;
    EXPECT_EQ(CreateIn(here, "enlace.bin", false, &file, &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Exists);
    EXPECT_FALSE(fs::exists(target));
    WriteFile("nuevo.bin", 4, 1);
    EXPECT_EQ(RenameFile("nuevo.bin", "enlace.bin", 0), 0);
    EXPECT_EQ(RenameIn(here, "nuevo.bin", "enlace.bin", &error), 0);
    EXPECT_EQ(error.fault, SystemFault::Exists);
    EXPECT_FALSE(fs::exists(target));

    WriteFile(target.string(), 9, 2);
    std::string targetBytes = ReadWholeFile(target.string());
    EXPECT_NE(NameExists("enlace.bin"), 0);
    EXPECT_EQ(CreateNewFile("enlace.bin"), nullptr);
    EXPECT_EQ(ReadWholeFile(target.string()), targetBytes);
    EXPECT_NE(RenameFile("nuevo.bin", "enlace.bin", 1), 0);
    EXPECT_FALSE(fs::is_symlink("enlace.bin"));
    EXPECT_EQ(ReadWholeFile("enlace.bin").size(), 4u);
    EXPECT_EQ(ReadWholeFile(target.string()), targetBytes);
}

// The one source of temporary names, as the splitter draws it (bytes, more
// than one call's worth) and as the joiner does (64 bits a name).
TEST(Files, TheRandomSourceDoesNotRepeat) {
    std::set<uint64_t> seen;
    for (int i = 0; i < 1000; ++i) seen.insert(UnpredictableBits());
    EXPECT_EQ(seen.size(), 1000u);
    uint8_t first[40] = {};
    uint8_t second[40] = {};
    SystemError error;
    ASSERT_EQ(RandomBytes(first, sizeof first, &error), 1) << error.reason;
    ASSERT_EQ(RandomBytes(second, sizeof second, &error), 1) << error.reason;
    EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
    std::vector<uint8_t> large(300000, 0);
    ASSERT_EQ(RandomBytes(large.data(), large.size(), &error), 1) << error.reason;
    EXPECT_NE(std::count(large.end() - 64, large.end(), 0), 64);
}

}  // namespace

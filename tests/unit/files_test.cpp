// The file seam on this system's files: the exclusive creation, the flush,
// the rename in one step with and without replacing, links never followed,
// and names nobody can foresee.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(Files, ANewFileIsMadeOnlyWhereNothingHoldsTheName) {
    TempDir dir;
    WriteFile("ocupado.bin", 10, 1);
    std::string before = ReadWholeFile("ocupado.bin");
    EXPECT_EQ(CreateNewFile("ocupado.bin"), nullptr);
    EXPECT_EQ(ReadWholeFile("ocupado.bin"), before);
    fs::create_directory("carpeta");
    EXPECT_EQ(CreateNewFile("carpeta"), nullptr);

    FileHandle file = CreateNewFile("nuevo.bin");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(OpenPartFile("nuevo.bin"), nullptr) << "not shared while open";
    uint32_t written = 0;
    EXPECT_NE(WriteFileBlock(file, "abc", 3, &written), 0);
    EXPECT_NE(FlushFile(file), 0);
    EXPECT_NE(CloseFile(file), 0);
    EXPECT_EQ(ReadWholeFile("nuevo.bin"), "abc");
}

TEST(Files, ARenameReplacesOnlyWhenAskedAndNeverADirectory) {
    TempDir dir;
    WriteFile("nuevo.bin", 5, 1);
    WriteFile("viejo.bin", 7, 2);
    std::string fresh = ReadWholeFile("nuevo.bin");
    std::string old = ReadWholeFile("viejo.bin");
    EXPECT_EQ(RenameFile("nuevo.bin", "viejo.bin", 0), 0);
    EXPECT_EQ(ReadWholeFile("nuevo.bin"), fresh);
    EXPECT_EQ(ReadWholeFile("viejo.bin"), old);
    EXPECT_NE(RenameFile("nuevo.bin", "viejo.bin", 1), 0);
    EXPECT_FALSE(fs::exists("nuevo.bin"));
    EXPECT_EQ(ReadWholeFile("viejo.bin"), fresh);
    EXPECT_NE(RenameFile("viejo.bin", "libre.bin", 0), 0);
    EXPECT_EQ(ReadWholeFile("libre.bin"), fresh);

    fs::create_directory("carpeta");
    EXPECT_EQ(RenameFile("libre.bin", "carpeta", 1), 0);
    EXPECT_EQ(RenameFile("libre.bin", "carpeta", 0), 0);
    EXPECT_TRUE(fs::is_directory("carpeta"));
    EXPECT_EQ(ReadWholeFile("libre.bin"), fresh);
}

// A symbolic link, dangling or to a file elsewhere, holds its name: it is
// seen, never created through, and a replacing rename replaces the link,
// never its target.
TEST(Files, ALinkIsNeverFollowed) {
    TempDir dir;
    fs::create_directory("otra");
    fs::path target = fs::absolute("otra") / "destino.bin";
    std::error_code error;
    fs::create_symlink(target, "enlace.bin", error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();

    EXPECT_NE(NameExists("enlace.bin"), 0) << "a dangling link";
    EXPECT_EQ(CreateNewFile("enlace.bin"), nullptr);
    EXPECT_FALSE(fs::exists(target));
    WriteFile("nuevo.bin", 4, 1);
    EXPECT_EQ(RenameFile("nuevo.bin", "enlace.bin", 0), 0);
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

TEST(Files, UnpredictableBitsDoNotRepeat) {
    std::set<uint64_t> seen;
    for (int i = 0; i < 1000; ++i) seen.insert(UnpredictableBits());
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace

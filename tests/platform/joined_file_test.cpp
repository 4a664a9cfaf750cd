// The joined file on this system's files: it takes its name from the open
// handle, replaces only the file the user agreed to replace, never a file
// that took its temporary name, and goes without a trace unless named.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const char kTemp[] = "~selvanore-00000000000000aa.tmp";

FileHandle JoinedFileOf(const std::string& bytes) {
    FileHandle file = CreateJoinedFile(kTemp);
    if (file == nullptr) return nullptr;
    uint32_t written = 0;
    EXPECT_NE(WriteFileBlock(file, bytes.data(), static_cast<uint32_t>(bytes.size()), &written), 0);
    EXPECT_NE(FlushFile(file), 0);
    return file;
}

TEST(JoinedFile, GoesWithoutATraceUnlessNamed) {
    TempDir dir;
    FileHandle file = JoinedFileOf("abc");
    ASSERT_NE(file, nullptr);
    EXPECT_NE(DiscardJoinedFile(file, kTemp), 0);
    EXPECT_TRUE(ListNames(".").empty());

    file = JoinedFileOf("abcd");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(KeepJoinedFile(file, kTemp).placement, Placement::Placed);
    EXPECT_NE(DiscardJoinedFile(file, kTemp), 0);
    EXPECT_EQ(ReadWholeFile(kTemp), "abcd") << "kept under its temporary name";
}

// Without an agreement nothing is replaced; with one, only the agreed file,
// and a file put in its place meanwhile is Taken and left as it is.
TEST(JoinedFile, ReplacesOnlyTheAgreedFile) {
    TempDir dir;
    WriteWholeFile("datos.bin", "agreed");
    FileIdentity agreed{};
    ASSERT_EQ(IdentifyName("datos.bin", &agreed), NameLookup::Found);
    FileHandle file = JoinedFileOf("joined");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(PublishJoinedFile(file, kTemp, "datos.bin", nullptr).placement, Placement::Taken);

    // Another file in its place, made before the agreed one goes so that it
    // cannot reuse its identity.
    WriteWholeFile("otro.bin", "newcomer");
    fs::rename("otro.bin", "datos.bin");
    EXPECT_EQ(PublishJoinedFile(file, kTemp, "datos.bin", &agreed).placement, Placement::Taken);
    EXPECT_EQ(ReadWholeFile("datos.bin"), "newcomer");

    ASSERT_EQ(IdentifyName("datos.bin", &agreed), NameLookup::Found);
    EXPECT_EQ(PublishJoinedFile(file, kTemp, "datos.bin", &agreed).placement, Placement::Placed);
    EXPECT_NE(DiscardJoinedFile(file, kTemp), 0);
    EXPECT_EQ(ReadWholeFile("datos.bin"), "joined");
    EXPECT_EQ(ListNames("."), std::set<std::string>({"datos.bin"}));
}

// A folder holding the name is never replaced, agreed or not; a free name
// is taken without a question.
TEST(JoinedFile, NeverReplacesAFolder) {
    TempDir dir;
    fs::create_directory("datos.bin");
    FileIdentity agreed{};
    ASSERT_EQ(IdentifyName("datos.bin", &agreed), NameLookup::Found);
    FileHandle file = JoinedFileOf("joined");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(PublishJoinedFile(file, kTemp, "datos.bin", &agreed).placement, Placement::Folder);
    EXPECT_TRUE(fs::is_directory("datos.bin"));
    EXPECT_EQ(PublishJoinedFile(file, kTemp, "datos (2).bin", nullptr).placement, Placement::Placed);
    EXPECT_NE(DiscardJoinedFile(file, kTemp), 0);
    EXPECT_EQ(ReadWholeFile("datos (2).bin"), "joined");
}

// A file that took the temporary name while the job wrote (a Unix process
// can do it under Wine) is never published nor deleted: what takes the
// output's name, if anything, is the file the job wrote.
TEST(JoinedFile, AFileAtItsTemporaryNameIsNeverPublished) {
    TempDir dir;
    FileHandle file = JoinedFileOf("joined");
    ASSERT_NE(file, nullptr);
    WriteWholeFile("intruso.bin", "intruder");
    std::error_code error;
    fs::rename("intruso.bin", kTemp, error);
    if (error) {
        EXPECT_NE(DiscardJoinedFile(file, kTemp), 0);
        GTEST_SKIP() << "this system keeps the job's file at its name: " << error.message();
    }
    PlacementResult result = PublishJoinedFile(file, kTemp, "datos.bin", nullptr);
    EXPECT_TRUE(result.placement == Placement::Placed || result.placement == Placement::Swapped);
    if (result.placement == Placement::Placed) {
        EXPECT_EQ(ReadWholeFile("datos.bin"), "joined");
    } else {
        EXPECT_FALSE(fs::exists("datos.bin"));
    }
    DiscardJoinedFile(file, kTemp);
    EXPECT_EQ(ReadWholeFile(kTemp), "intruder");
}

TEST(JoinedFile, TheFolderIsMeasuredAndSearched) {
    TempDir dir;
    uint64_t free = 0;
    EXPECT_NE(FreeBytesBeside("datos.bin", &free), 0);
    EXPECT_GT(free, 0u);
    WriteFile("~selvanore-2.tmp", 7, 1);
    WriteFile("~selvanore-1.tmp", 5, 1);
    WriteFile("~selvanore-1.tmpx", 5, 1);
    WriteFile("selvanore-3.tmp", 5, 1);
    std::vector<std::pair<std::string, uint64_t>> found;
    EXPECT_NE(FindNames("~selvanore-", ".tmp",
                        [](void* context, const char* name, uint64_t size) {
                            static_cast<std::vector<std::pair<std::string, uint64_t>>*>(context)->emplace_back(name, size);
                        },
                        &found),
              0);
    EXPECT_EQ(found, (std::vector<std::pair<std::string, uint64_t>>{{"~selvanore-1.tmp", 5}, {"~selvanore-2.tmp", 7}}));
}

}  // namespace

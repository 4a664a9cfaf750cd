// What only the POSIX layer has to do: symbolic links (never written
// through, a dangling one holding its name, a loop that cannot be told
// free), FIFOs and devices refused without waiting, descriptor links, and
// the trust of a default joiner.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"
#include "tools/split/os.h"

namespace {

namespace fs = std::filesystem;

TEST(OsPosix, LinksAreNeverFollowedAndALoopIsNoFreeName) {
    TempDir dir(TempDir::kStay);
    OsFile directory;
    ASSERT_TRUE(OsOpenDirectory(dir.Path().string(), &directory));
    WriteWholeFile(dir / "from", "new");
    // A dangling link is a name taken, and is not written through.
    ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "link").c_str()), 0);
    EXPECT_FALSE(OsRenameIn(directory.handle, "from", "link"));
    EXPECT_EQ(OsLastError(), OsError::Exists);
    OsFile file;
    EXPECT_FALSE(OsCreateIn(directory.handle, "link", false, &file));
    EXPECT_EQ(OsLastError(), OsError::Exists);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_EQ(OsLookUpIn(directory.handle, "link"), NameLookup::Found);
    // A look-up that cannot tell (a loop of links on the way) is no free
    // name, and says why.
    ASSERT_EQ(symlink("loop", (dir / "loop").c_str()), 0);
    EXPECT_EQ(OsLookUpIn(directory.handle, "loop/x"), NameLookup::Unknown);
    EXPECT_EQ(OsLookUp(dir / "loop/x"), NameLookup::Unknown);
    EXPECT_NE(std::string(OsLastErrorText()).find("symbolic links"), std::string::npos);
    EXPECT_TRUE(IsNameTaken(NameLookup::Unknown));
    EXPECT_FALSE(IsNameTaken(NameLookup::Absent));
}

TEST(OsPosix, FifosAndDevicesAreRefusedWithoutWaiting) {
    TempDir dir(TempDir::kStay);
    std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {fifo, std::string("/dev/null")}) {
        OsFile file;
        uint64_t size = 0;
        EXPECT_FALSE(OsOpenRegularFile(path, &file, &size)) << path;
        EXPECT_EQ(OsLastError(), OsError::NotRegular) << path;
        EXPECT_FALSE(file.IsOpen());
    }
    // A blocking open of the FIFO would still be waiting for a writer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(OsPosix, DescriptorLinksAreToldFromFilesAndTheirLinks) {
    TempDir dir(TempDir::kStay);
    WriteWholeFile(dir / "file", "x");
    ASSERT_EQ(symlink("file", (dir / "link").c_str()), 0);
    ASSERT_EQ(symlink("/dev/stdin", (dir / "stdin-link").c_str()), 0);
    EXPECT_FALSE(OsIsDescriptorLink(dir / "file"));
    EXPECT_FALSE(OsIsDescriptorLink(dir / "link"));
    EXPECT_FALSE(OsIsDescriptorLink("/dev/null"));
    EXPECT_TRUE(OsIsDescriptorLink("/dev/stdin"));
    EXPECT_TRUE(OsIsDescriptorLink("/dev/fd/0"));
    EXPECT_TRUE(OsIsDescriptorLink("/proc/self/fd/0"));
    EXPECT_TRUE(OsIsDescriptorLink(dir / "stdin-link"));
}

// A default joiner is trusted only when no one but the user or root could
// have put it there: the file and every folder of its resolved path.
TEST(OsPosix, AFileIsTrustedOnlyWhenOnlyTheUserOrRootCouldHavePutItThere) {
    TempDir dir(TempDir::kStay);
    fs::create_directories(dir / "tree/share");
    fs::create_directories(dir / "drop");
    std::string joiner = dir / "tree/share/joiner";
    WriteWholeFile(joiner, "x");
    chmod((dir / "tree").c_str(), 0755);
    chmod((dir / "tree/share").c_str(), 0755);
    chmod(joiner.c_str(), 0644);
    std::string resolved;
    OsDistrust distrust;
    // The test's folder lies in /tmp, which others may write but which is
    // sticky: only an entry's owner can rename or remove it.
    EXPECT_TRUE(OsCheckTrusted(dir / "tree/../tree/share/./joiner", &resolved, &distrust))
        << distrust.path;
    EXPECT_EQ(resolved, fs::canonical(joiner).string());

    const struct {
        std::string path;
        mode_t mode;
        bool folder;
        OsDistrustReason reason;
    } cases[] = {
        {dir / "tree/share", 0775, true, OsDistrustReason::WritableByGroup},
        {dir / "tree", 0757, true, OsDistrustReason::WritableByOthers},
        {joiner, 0664, false, OsDistrustReason::WritableByGroup},
        {joiner, 0646, false, OsDistrustReason::WritableByOthers},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_EQ(chmod(c.path.c_str(), c.mode), 0);
        EXPECT_FALSE(OsCheckTrusted(joiner, &resolved, &distrust));
        EXPECT_EQ(distrust.path, fs::canonical(c.path).string());
        EXPECT_EQ(distrust.folder, c.folder);
        EXPECT_EQ(distrust.reason, c.reason);
        chmod(c.path.c_str(), c.folder ? 0755 : 0644);
    }
    // A sticky folder that others may write keeps its entries theirs.
    chmod((dir / "tree/share").c_str(), 01777);
    EXPECT_TRUE(OsCheckTrusted(joiner, &resolved, &distrust));
    chmod((dir / "tree/share").c_str(), 0755);

    // Through a link the folders judged are those of the file itself.
    chmod((dir / "drop").c_str(), 0777);
    WriteWholeFile(dir / "drop/planted", "y");
    chmod((dir / "drop/planted").c_str(), 0644);
    std::string link = dir / "tree/share/link";
    ASSERT_EQ(symlink((dir / "drop/planted").c_str(), link.c_str()), 0);
    EXPECT_FALSE(OsCheckTrusted(link, &resolved, &distrust));
    EXPECT_EQ(distrust.path, fs::canonical(dir / "drop").string());
    EXPECT_EQ(distrust.reason, OsDistrustReason::WritableByOthers);

    if (geteuid() == 0) {
        // Owned by someone else (as root the test can give it away).
        ASSERT_EQ(chown((dir / "tree/share").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(OsCheckTrusted(joiner, &resolved, &distrust));
        EXPECT_EQ(distrust.path, fs::canonical(dir / "tree/share").string());
        EXPECT_EQ(distrust.reason, OsDistrustReason::Owner);
        EXPECT_EQ(distrust.owner, 65534u);
    }
    EXPECT_FALSE(OsCheckTrusted(dir / "missing", &resolved, &distrust));
    EXPECT_EQ(OsLastError(), OsError::Missing);
    EXPECT_EQ(distrust.reason, OsDistrustReason::None);
}

}  // namespace

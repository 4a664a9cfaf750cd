// What only the POSIX layer has to do: a loop of links that cannot be told
// free, FIFOs and devices refused without waiting, descriptor links, and
// the trust of a default joiner.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// A look-up that cannot tell (a loop of links on the way) is no free name,
// and says why.
TEST(PosixFiles, ALoopOfLinksIsNoFreeName) {
    TempDir dir(TempDir::kStay);
    SystemFile directory;
    SystemError error;
    ASSERT_TRUE(OpenDirectory(dir.Path().string(), &directory, &error));
    ASSERT_EQ(symlink("loop", (dir / "loop").c_str()), 0);
    EXPECT_EQ(LookUpIn(directory.handle, "loop/x", &error), NameLookup::Unknown);
    EXPECT_EQ(LookUp(dir / "loop/x", &error), NameLookup::Unknown);
    EXPECT_NE(error.reason.find("symbolic links"), std::string::npos);
    EXPECT_TRUE(IsNameTaken(NameLookup::Unknown));
    EXPECT_FALSE(IsNameTaken(NameLookup::Absent));
    std::string loop = dir / "loop";
    EXPECT_NE(NameExists((loop + "/x").c_str()), 0);
}

// The joiner's parts and the splitter's input are opened by one rule.
TEST(PosixFiles, FifosAndDevicesAreRefusedWithoutWaiting) {
    TempDir dir(TempDir::kStay);
    SystemError error;
    std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {fifo, std::string("/dev/null")}) {
        SystemFile file;
        uint64_t size = 0;
        EXPECT_FALSE(OpenRegularFile(path, &file, &size, &error)) << path;
        EXPECT_EQ(error.fault, SystemFault::NotRegular) << path;
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(OpenPartFile(path.c_str()), nullptr) << path;
    }
    // A blocking open of the FIFO would still be waiting for a writer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(PosixPaths, DescriptorLinksAreToldFromFilesAndTheirLinks) {
    TempDir dir(TempDir::kStay);
    WriteWholeFile(dir / "file", "x");
    ASSERT_EQ(symlink("file", (dir / "link").c_str()), 0);
    ASSERT_EQ(symlink("/dev/stdin", (dir / "stdin-link").c_str()), 0);
    EXPECT_FALSE(IsDescriptorLink(dir / "file"));
    EXPECT_FALSE(IsDescriptorLink(dir / "link"));
    EXPECT_FALSE(IsDescriptorLink("/dev/null"));
    EXPECT_TRUE(IsDescriptorLink("/dev/stdin"));
    EXPECT_TRUE(IsDescriptorLink("/dev/fd/0"));
    EXPECT_TRUE(IsDescriptorLink("/proc/self/fd/0"));
    EXPECT_TRUE(IsDescriptorLink(dir / "stdin-link"));
}

// A default joiner is trusted only when no one but the user or root could
// have put it there: the file and every folder of its resolved path.
TEST(PosixPaths, AFileIsTrustedOnlyWhenOnlyTheUserOrRootCouldHavePutItThere) {
    TempDir dir(TempDir::kStay);
    SystemError error;
    fs::create_directories(dir / "tree/share");
    fs::create_directories(dir / "drop");
    std::string joiner = dir / "tree/share/joiner";
    WriteWholeFile(joiner, "x");
    chmod((dir / "tree").c_str(), 0755);
    chmod((dir / "tree/share").c_str(), 0755);
    chmod(joiner.c_str(), 0644);
    std::string resolved;
    Distrust distrust;
    // The test's folder lies in /tmp, which others may write but which is
    // sticky: only an entry's owner can rename or remove it.
    EXPECT_TRUE(CheckTrusted(dir / "tree/../tree/share/./joiner", &resolved, &distrust, &error))
        << distrust.path;
    EXPECT_EQ(resolved, fs::canonical(joiner).string());

    const struct {
        std::string path;
        mode_t mode;
        bool folder;
        DistrustReason reason;
    } cases[] = {
        {dir / "tree/share", 0775, true, DistrustReason::WritableByGroup},
        {dir / "tree", 0757, true, DistrustReason::WritableByOthers},
        {joiner, 0664, false, DistrustReason::WritableByGroup},
        {joiner, 0646, false, DistrustReason::WritableByOthers},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_EQ(chmod(c.path.c_str(), c.mode), 0);
        EXPECT_FALSE(CheckTrusted(joiner, &resolved, &distrust, &error));
        EXPECT_EQ(distrust.path, fs::canonical(c.path).string());
        EXPECT_EQ(distrust.folder, c.folder);
        EXPECT_EQ(distrust.reason, c.reason);
        chmod(c.path.c_str(), c.folder ? 0755 : 0644);
    }
    // A sticky folder that others may write keeps its entries theirs.
    chmod((dir / "tree/share").c_str(), 01777);
    EXPECT_TRUE(CheckTrusted(joiner, &resolved, &distrust, &error));
    chmod((dir / "tree/share").c_str(), 0755);

    // Through a link the folders judged are those of the file itself.
    chmod((dir / "drop").c_str(), 0777);
    WriteWholeFile(dir / "drop/planted", "y");
    chmod((dir / "drop/planted").c_str(), 0644);
    std::string link = dir / "tree/share/link";
    ASSERT_EQ(symlink((dir / "drop/planted").c_str(), link.c_str()), 0);
    EXPECT_FALSE(CheckTrusted(link, &resolved, &distrust, &error));
    EXPECT_EQ(distrust.path, fs::canonical(dir / "drop").string());
    EXPECT_EQ(distrust.reason, DistrustReason::WritableByOthers);

    if (geteuid() == 0) {
        // Owned by someone else (as root the test can give it away).
        ASSERT_EQ(chown((dir / "tree/share").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(CheckTrusted(joiner, &resolved, &distrust, &error));
        EXPECT_EQ(distrust.path, fs::canonical(dir / "tree/share").string());
        EXPECT_EQ(distrust.reason, DistrustReason::Owner);
        EXPECT_EQ(distrust.owner, 65534u);
    }
    EXPECT_FALSE(CheckTrusted(dir / "missing", &resolved, &distrust, &error));
    EXPECT_EQ(error.fault, SystemFault::Missing);
    EXPECT_EQ(distrust.reason, DistrustReason::None);
}

}  // namespace

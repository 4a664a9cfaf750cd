// Sets made by the library and by par2cmdline, each repaired by the other:
// par2 verifies and repairs ours byte for byte, par2_tool (the library)
// rebuilds parts of par2's, and damaged recovery files are skipped packet
// by packet on both sides. Skipped where par2 is not installed.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "recovery/par2_packets.h"
#include "recovery/par2_reader.h"
#include "tests/support/read_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/utf8.h"

namespace {

namespace fs = std::filesystem;

bool HavePar2() { return std::system("par2 -V > /dev/null 2>&1") == 0; }

// Runs a command in the current folder; its exit status, and its output in *output.
int RunCommand(const std::string& command, std::string* output = nullptr) {
    int status = std::system((command + " > command.log 2>&1").c_str());
    if (output != nullptr) *output = ReadWholeFile("command.log");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Tool() { return std::string("'") + PAR2_TOOL + "'"; }

// The parts of a file (v.bin unless named): count parts of size bytes, the
// last one last bytes.
std::vector<std::string> WriteParts(int count, uint64_t size, uint64_t last, const std::string& name = "v.bin") {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(name + "__00" + std::to_string(i));
        WriteFile(names.back(), i + 1 == count ? last : size, 100 + i);
    }
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string all;
    for (const std::string& n : names) all += " '" + n + "'";
    return all;
}

void Damage(const std::string& name, uint64_t at) {
    std::string bytes = ReadWholeFile(name);
    ASSERT_LT(at, bytes.size()) << name;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    WriteWholeFile(name, bytes);
}

#define REQUIRE_PAR2() \
    if (!HavePar2()) GTEST_SKIP() << "par2 is not installed (scripts/setup installs it)"

TEST(Par2Peer, Par2VerifiesAndRepairsOurSets) {
    REQUIRE_PAR2();
    TempDir dir;
    std::string log;
    // One slice per part; the last part shorter and of a length not a multiple of 4.
    std::vector<std::string> parts = WriteParts(5, 4000, 2345);
    std::vector<std::string> originals;
    for (const std::string& p : parts) originals.push_back(ReadWholeFile(p));
    ASSERT_EQ(RunCommand(Tool() + " create v.bin 4000 3" + Joined(parts), &log), 0) << log;
    for (const char* name : {"v.bin.par2", "v.bin.vol0+1.par2", "v.bin.vol1+2.par2"}) {
        EXPECT_TRUE(fs::exists(name)) << name;
    }
    ASSERT_EQ(RunCommand("par2 verify v.bin.par2", &log), 0) << log;
    EXPECT_NE(log.find("All files are correct"), std::string::npos) << log;

    // Up to three parts lost or damaged, each recovery slice needed.
    const std::vector<std::vector<int>> deleted = {{0}, {4}, {1, 3}, {0, 2, 4}, {2}};
    const std::vector<std::vector<int>> damaged = {{}, {1}, {4}, {}, {0, 3}};
    for (size_t c = 0; c < deleted.size(); ++c) {
        for (int d : deleted[c]) fs::remove(parts[d]);
        for (int d : damaged[c]) Damage(parts[d], d == 4 ? 2344 : 17);
        ASSERT_EQ(RunCommand("par2 repair v.bin.par2", &log), 0) << "case " << c << "\n" << log;
        for (size_t i = 0; i < parts.size(); ++i) {
            ASSERT_EQ(ReadWholeFile(parts[i]), originals[i]) << "case " << c << " part " << i;
            fs::remove(parts[i] + ".1");  // where par2 moves a damaged file
        }
    }

    // Several slices per part, in the main packet's order across the files.
    fs::remove_all("many");
    fs::create_directory("many");
    fs::current_path("many");
    parts = WriteParts(4, 3001, 1999);
    ASSERT_EQ(RunCommand(Tool() + " create v.bin 1024 2" + Joined(parts), &log), 0) << log;
    ASSERT_EQ(RunCommand("par2 verify v.bin.par2", &log), 0) << log;
    std::string second = ReadWholeFile(parts[1]);
    Damage(parts[1], 2500);
    Damage(parts[3], 10);
    ASSERT_EQ(RunCommand("par2 repair v.bin.par2", &log), 0) << log;
    EXPECT_EQ(ReadWholeFile(parts[1]), second);
}

// The set read from an index file.
Par2Set ReadSet(const std::string& index) {
    std::vector<uint8_t> bytes = ReadFileBytes(index);
    Par2Catalog catalog;
    Par2Set set = {};
    std::vector<Par2RecoverySlice> recovery;
    Par2SetProblem problem;
    size_t which;
    EXPECT_TRUE(ScanPar2Bytes(bytes.data(), bytes.size(), 0, &catalog));
    EXPECT_EQ(catalog.damagedPackets, 0u);
    EXPECT_TRUE(ResolvePar2Set(catalog, &set, &recovery, &problem, &which)) << index;
    return set;
}

TEST(Par2Peer, CriticalPacketsAreThoseOfPar2) {
    REQUIRE_PAR2();
    TempDir dir;
    std::string log;
    // Past the first 16 KiB; names in UTF-8 ("año café.bin__000").
    std::string name = "a" + EncodeUtf8(0xF1) + "o caf" + EncodeUtf8(0xE9) + ".bin";
    std::vector<std::string> parts = WriteParts(6, 20000, 7777, name);
    ASSERT_EQ(RunCommand("par2 create -q -s20000 -c1 theirs.par2" + Joined(parts), &log), 0) << log;
    ASSERT_EQ(RunCommand(Tool() + " create ours 20000 1" + Joined(parts), &log), 0) << log;
    Par2Set theirs = ReadSet("theirs.par2");
    Par2Set ours = ReadSet("ours.par2");
    // The same main packet (the set ID is its MD5): the same file IDs in the
    // same order, which par2 sorts as 16-byte little-endian numbers.
    EXPECT_TRUE(Par2HashEqual(theirs.id, ours.id));
    ASSERT_EQ(theirs.files.size(), 6u);
    ASSERT_EQ(ours.files.size(), 6u);
    EXPECT_EQ(ours.files[0].name.substr(0, name.size()), name);
    for (size_t i = 0; i < 6; ++i) {
        if (i > 0) {
            EXPECT_TRUE(Par2HashLess(theirs.files[i - 1].id, theirs.files[i].id));
        }
        EXPECT_EQ(Par2FileDescriptionPacket(theirs, theirs.files[i]), Par2FileDescriptionPacket(ours, ours.files[i]));
        EXPECT_EQ(Par2SliceChecksumPacket(theirs, theirs.files[i]), Par2SliceChecksumPacket(ours, ours.files[i]));
    }
    // And the same recovery data, byte for byte (par2's first recovery file
    // starts with its slice, as ours).
    std::string a = ReadWholeFile("theirs.vol0+1.par2").substr(0, 68 + 20000);
    std::string b = ReadWholeFile("ours.vol0+1.par2").substr(0, 68 + 20000);
    EXPECT_TRUE(a == b);
}

TEST(Par2Peer, OurToolRebuildsPartsOfPar2Sets) {
    REQUIRE_PAR2();
    TempDir dir;
    std::string log;
    std::vector<std::string> parts = WriteParts(5, 4000, 3003);
    std::vector<std::string> originals;
    for (const std::string& p : parts) originals.push_back(ReadWholeFile(p));
    ASSERT_EQ(RunCommand("par2 create -q -s4000 -c2 v.bin.par2" + Joined(parts), &log), 0) << log;

    ASSERT_EQ(RunCommand(Tool() + " repair v.bin.par2", &log), 0) << log;
    EXPECT_NE(log.find("0 of 5 files missing or damaged"), std::string::npos) << log;

    fs::remove(parts[0]);
    Damage(parts[4], 3002);
    std::string damagedBytes = ReadWholeFile(parts[4]);
    ASSERT_EQ(RunCommand(Tool() + " repair v.bin.par2", &log), 0) << log;
    EXPECT_NE(log.find("2 of 5 files missing or damaged, 2 slices to rebuild, 2 recovery slices present"),
              std::string::npos) << log;
    EXPECT_EQ(ReadWholeFile(parts[0] + ".rebuilt"), originals[0]);
    EXPECT_EQ(ReadWholeFile(parts[4] + ".rebuilt"), originals[4]);
    // The received files as they were; nothing written for the good ones.
    EXPECT_FALSE(fs::exists(parts[0]));
    EXPECT_EQ(ReadWholeFile(parts[4]), damagedBytes);
    EXPECT_FALSE(fs::exists(parts[1] + ".rebuilt"));

    // One too many.
    fs::remove(parts[2]);
    EXPECT_EQ(RunCommand(Tool() + " repair v.bin.par2", &log), 1) << log;
    EXPECT_NE(log.find("3 of 5 files missing or damaged, 3 slices to rebuild, 2 recovery slices present"),
              std::string::npos) << log;
    EXPECT_NE(log.find("not enough recovery slices"), std::string::npos) << log;

    // Several slices per part: only the damaged slice is rebuilt.
    fs::create_directory("many");
    fs::current_path("many");
    parts = WriteParts(3, 5000, 4321);
    std::string first = ReadWholeFile(parts[0]);
    ASSERT_EQ(RunCommand("par2 create -q -s1024 -c3 v.bin.par2" + Joined(parts), &log), 0) << log;
    Damage(parts[0], 4999);
    ASSERT_EQ(RunCommand(Tool() + " repair v.bin.par2", &log), 0) << log;
    EXPECT_NE(log.find("1 of 3 files missing or damaged, 1 slices to rebuild, 3 recovery slices present"),
              std::string::npos) << log;
    EXPECT_EQ(ReadWholeFile(parts[0] + ".rebuilt"), first);
}

TEST(Par2Peer, DamagedRecoveryFilesAreSkippedPacketByPacket) {
    REQUIRE_PAR2();
    TempDir dir;
    std::string log;
    std::vector<std::string> parts = WriteParts(4, 2000, 1500);
    std::vector<std::string> originals;
    for (const std::string& p : parts) originals.push_back(ReadWholeFile(p));
    // Ours: the main packet of the index and the first recovery slice's
    // data damaged; the second recovery file's slice and critical packets
    // still serve.
    ASSERT_EQ(RunCommand(Tool() + " create v.bin 2000 2" + Joined(parts), &log), 0) << log;
    Damage("v.bin.par2", 70);
    Damage("v.bin.vol0+1.par2", 68 + 100);
    fs::remove(parts[2]);
    ASSERT_EQ(RunCommand(Tool() + " repair v.bin.par2", &log), 0) << log;
    EXPECT_NE(log.find("2 damaged packets skipped"), std::string::npos) << log;
    EXPECT_NE(log.find("1 recovery slices present"), std::string::npos) << log;
    EXPECT_EQ(ReadWholeFile(parts[2] + ".rebuilt"), originals[2]);
    ASSERT_EQ(RunCommand("par2 repair v.bin.par2", &log), 0) << log;
    EXPECT_EQ(ReadWholeFile(parts[2]), originals[2]);
    fs::remove(parts[2] + ".rebuilt");
    fs::remove(parts[0]);
    fs::remove(parts[1]);
    EXPECT_EQ(RunCommand(Tool() + " repair v.bin.par2", &log), 1) << log;
    EXPECT_NE(log.find("2 of 4 files missing or damaged, 2 slices to rebuild, 1 recovery slices present"),
              std::string::npos) << log;

    // par2's: a critical packet and a recovery slice of the files it made.
    fs::create_directory("theirs");
    fs::current_path("theirs");
    parts = WriteParts(4, 2000, 1500);
    ASSERT_EQ(RunCommand("par2 create -q -s2000 -c2 v.bin.par2" + Joined(parts), &log), 0) << log;
    Damage("v.bin.vol0+1.par2", 68 + 5);
    Damage("v.bin.par2", 64 + 4);
    fs::remove(parts[3]);
    ASSERT_EQ(RunCommand(Tool() + " repair v.bin.par2", &log), 0) << log;
    EXPECT_NE(log.find("1 of 4 files missing or damaged, 1 slices to rebuild, 1 recovery slices present"),
              std::string::npos) << log;
    EXPECT_EQ(ReadWholeFile(parts[3] + ".rebuilt"), originals[3]);
}

}  // namespace

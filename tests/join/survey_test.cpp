// Start-up: reading the record, surveying the parts, sizing the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hash/hash.h"
#include "format/name_record.h"
#include "join/descriptor.h"
#include "join/join_state.h"
#include "join/survey.h"
#include "text/text.h"
#include "tests/support/encode_record.h"
#include "tests/support/fake_memory.h"
#include "tests/support/fake_record.h"
#include "tests/support/scripted_view.h"
#include "tests/support/temp_dir.h"

namespace {

void Stamp(uint32_t kind, uint64_t size, uint32_t count, const std::string& name,
           const std::string& checksum = "") {
    if (name.size() < kOutputNameField) {
        ASSERT_TRUE(EncodeRecord(kind, size, count, name, checksum, g_fakeRecord));
        return;
    }
    // A name filling its field, with no terminator: no encoder writes one.
    ASSERT_TRUE(EncodeRecord(kind, size, count, "", checksum, g_fakeRecord));
    std::memcpy(g_fakeRecord + kOutputNameOffset, name.data(), kOutputNameField);
}

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScriptedView();
        ResetFakeMemory();
        g_fakeRecordMissing = false;
        std::memset(g_fakeNameRecord, 0, sizeof g_fakeNameRecord);
        g_fakeNameRecordMissing = false;
        g_join = JoinState{};
    }
    void TearDown() override {
        ReleaseJob();
        std::memset(g_fakeNameRecord, 0, sizeof g_fakeNameRecord);
        g_join = JoinState{};
        EXPECT_EQ(g_memory.blocksAlive, 0);
        EXPECT_EQ(g_view.brushesAlive, 0);
    }
    TempDir dir;
};

// ---- The record ----------------------------------------------------------

TEST_F(StartUp, RecordFieldsArePublished) {
    std::string checksum(79, 'e');  // the longest text the field holds
    // Size 4 GiB at the unaligned offset 84: bytes 00 00 00 00 01 00 00 00.
    Stamp(CHECKSUM_SHA256, 0x100000000ull, 3, "película.mkv", checksum);
    ASSERT_EQ(std::memcmp(g_fakeRecord + 84, "\0\0\0\0\1\0\0\0", 8), 0);
    ASSERT_NE(LoadDescriptor(), 0);
    EXPECT_EQ(g_join.expectedSize, 4294967296ull);
    EXPECT_EQ(g_join.partCount, 3u);
    EXPECT_STREQ(g_join.outputName, "película.mkv");
    // The record holds it in Windows-1252; the job names files in UTF-8.
    EXPECT_EQ(g_fakeRecord[kOutputNameOffset + 3], 0xED);
    EXPECT_STREQ(g_join.outputName, "pel\xC3\xAD" "cula.mkv");
    EXPECT_EQ(std::string(g_join.expectedChecksum), checksum);
    ASSERT_NE(g_join.engine, nullptr);
    EXPECT_STREQ(g_join.engine->m_name, "SHA-256");
}

TEST_F(StartUp, EachKindCreatesItsEngine) {
    const char* names[] = {nullptr, "MD5", "SHA-1", "SHA-224", "SHA-256"};
    for (uint32_t kind = 0; kind <= 4; ++kind) {
        Stamp(kind, 10, 2, "x");
        ASSERT_NE(LoadDescriptor(), 0) << kind;
        if (kind == 0) {
            EXPECT_EQ(g_join.engine, nullptr);
        } else {
            ASSERT_NE(g_join.engine, nullptr);
            EXPECT_STREQ(g_join.engine->m_name, names[kind]);
        }
        delete g_join.engine;
        g_join.engine = nullptr;
    }
}

TEST_F(StartUp, RefusesWhatCannotBeJoinedSafely) {
    Stamp(5, 10, 2, "x");
    EXPECT_EQ(LoadDescriptor(), 0) << "kind 5";
    EXPECT_EQ(g_join.engine, nullptr);
    Stamp(0xFFFFFFFF, 10, 2, "x");
    EXPECT_EQ(LoadDescriptor(), 0) << "kind 2^32-1";

    g_fakeRecordMissing = true;
    EXPECT_EQ(LoadDescriptor(), 0) << "no record";
    EXPECT_EQ(PrepareJob(), 0);
    EXPECT_TRUE(g_memory.requests.empty()) << "no buffer after a failed record";
    g_fakeRecordMissing = false;

    // A name that fills its field with no terminator would be read past the
    // record as soon as parts are named.
    Stamp(0, 10, 2, std::string(kOutputNameField, 'n'));
    EXPECT_EQ(LoadDescriptor(), 0);
    // ... but a record that names no parts never reads its name.
    Stamp(0, 10, 1, std::string(kOutputNameField, 'n'));
    EXPECT_NE(LoadDescriptor(), 0);

    // The output is made in the parts' folder and nowhere else: a name with
    // a path, a drive or a stream, or one that Windows would turn into
    // another, is refused.
    for (const char* name : {"..\\x.bin", "../x.bin", "Z:\\elsewhere\\x.bin", "sub/x.bin", "x.bin:s",
                             "..", "x.bin.", "x.bin ", "C:x.bin", ""}) {
        Stamp(0, 10, 2, name);
        EXPECT_EQ(LoadDescriptor(), 0) << name;
        EXPECT_EQ(PrepareJob(), 0) << name;
    }
    // At most kMaxPartCount parts: a forged count would keep the survey busy
    // for weeks.
    g_memory.requests.clear();
    for (uint32_t count : {kMaxPartCount + 1, 0xFFFFFFFFu}) {
        Stamp(CHECKSUM_MD5, 10, count, "x.bin");
        EXPECT_EQ(PrepareJob(), 0) << count;
        EXPECT_EQ(g_join.engine, nullptr);
    }
    EXPECT_TRUE(g_memory.requests.empty()) << "no buffer for a refused record";
    Stamp(0, 10, kMaxPartCount, "x..bin");
    EXPECT_NE(LoadDescriptor(), 0);
}

TEST_F(StartUp, MemoryFailureFailsTheStartUp) {
    // The engine's object, its state words, then the parts' sizes.
    for (int which = 1; which <= 3; ++which) {
        Stamp(CHECKSUM_SHA1, 10, 2, "x");
        g_memory.failNothrowAfter = which;
        EXPECT_EQ(PrepareJob(), 0) << "allocation " << which;
        EXPECT_EQ(g_join.engine != nullptr, which == 3);
        EXPECT_EQ(g_join.partSizes, nullptr);
        ReleaseJob();
        g_memory.failNothrowAfter = 0;
    }
}

// The name record's exact name is the set's when the record holds its
// stand-in: the parts are found under it. A name record that does not
// belong to the record (stamped again by a tool that knows only the
// record) is passed over, and an exact name that is no plain name refused.
TEST_F(StartUp, TheNameRecordGivesTheExactName) {
    const std::string cyrillic = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 a\xC3\xB1o.bin";
    Stamp(0, 0, 2, cyrillic);  // the stand-in "_____ año.bin"
    EXPECT_EQ(std::string(reinterpret_cast<char*>(g_fakeRecord + kOutputNameOffset)), "_____ a\xF1o.bin");
    ASSERT_TRUE(EncodeNameRecord(cyrillic, g_fakeNameRecord));
    WriteFile(cyrillic + "__000", 5);
    WriteFile(cyrillic + "__001", 6);
    WriteFile("_____ a\xC3\xB1o.bin__000", 1000);  // the stand-in's parts are others
    ASSERT_NE(PrepareJob(), 0);
    EXPECT_EQ(std::string(g_join.outputName), cyrillic);
    EXPECT_EQ(g_join.unreadableCount, 0u);
    EXPECT_EQ(g_join.inputTotal, 11u);
    ReleaseJob();

    // Without a name record, or with another name's, the record's own name.
    for (bool missing : {true, false}) {
        g_fakeNameRecordMissing = missing;
        Stamp(0, 0, 2, "plain.bin");
        ASSERT_TRUE(EncodeNameRecord(cyrillic, g_fakeNameRecord));
        ASSERT_NE(LoadDescriptor(), 0);
        EXPECT_STREQ(g_join.outputName, "plain.bin");
    }
    g_fakeNameRecordMissing = false;

    // The exact name's C1 control has the stand-in's underscore: refused.
    const std::string control = "\xE6\x97\xA5\xC2\x85.bin";
    Stamp(0, 0, 2, control);
    ASSERT_TRUE(EncodeNameRecord(control, g_fakeNameRecord));
    EXPECT_EQ(LoadDescriptor(), 0);
}

// ---- The survey ----------------------------------------------------------

TEST_F(StartUp, SurveyCountsMissingPartsAndAddsTheOthers) {
    Stamp(0, 0, 5, "video.avi");
    WriteFile("video.avi__000", 1000);
    WriteFile("video.avi__002", 0);  // empty: readable, adds nothing
    WriteFile("video.avi__004", 77);
    ASSERT_NE(PrepareJob(), 0);
    EXPECT_EQ(g_join.unreadableCount, 2u);
    EXPECT_EQ(g_join.inputTotal, 1077u);
    EXPECT_TRUE(RecordedBoxes().empty());
    EXPECT_NE(g_join.pauseEvent, nullptr);
    EXPECT_NE(g_join.reportBrush, nullptr);
}

TEST_F(StartUp, APartHeldOpenElsewhereIsUnreadable) {
    Stamp(0, 0, 2, "held.bin");
    WriteFile("held.bin__000", 10);
    WriteFile("held.bin__001", 20);
    FileHandle holder = OpenPartFile("held.bin__001");
    ASSERT_NE(holder, nullptr);
    ASSERT_NE(PrepareJob(), 0);
    EXPECT_EQ(g_join.unreadableCount, 1u);
    EXPECT_EQ(g_join.inputTotal, 10u);
    CloseFile(holder);

    // Released, it can be opened again; the survey itself held nothing.
    FileHandle again = OpenPartFile("held.bin__000");
    EXPECT_NE(again, nullptr);
    if (again != nullptr) CloseFile(again);
}

TEST_F(StartUp, OnePartVisitsOnlyTheFirst) {
    Stamp(0, 0, 1, "solo.bin");
    WriteFile("solo.bin__000", 30);
    WriteFile("solo.bin__001", 500);  // beyond the count: never visited
    WriteFile("solo.bin__0000", 7000);  // the four-digit width is not used
    // Held open, the second part would count as unreadable if it were tried.
    FileHandle holder = OpenPartFile("solo.bin__001");
    ASSERT_NE(holder, nullptr);
    ASSERT_NE(PrepareJob(), 0);
    EXPECT_EQ(g_join.unreadableCount, 0u);
    EXPECT_EQ(g_join.inputTotal, 30u);
    CloseFile(holder);
}

TEST_F(StartUp, TheUnstampedTemplateNamesNoParts) {
    std::string record = ReadWholeFile(JOINDESC_TEMPLATE);
    ASSERT_EQ(record.size(), kRecordSize);
    std::memcpy(g_fakeRecord, record.data(), kRecordSize);
    ASSERT_NE(PrepareJob(), 0);
    EXPECT_EQ(g_join.partCount, 0u);
    EXPECT_EQ(g_join.expectedSize, 0u);
    EXPECT_EQ(g_join.engine, nullptr);
    EXPECT_EQ(g_join.unreadableCount, 0u);
    EXPECT_EQ(g_join.inputTotal, 0u);
    // Its checksum field is eighty digits with no terminator of its own: the
    // zeros of the kind field end it.
    EXPECT_EQ(std::strlen(g_join.expectedChecksum), 80u);
}

// ---- Resources -------------------------------------------------------------

TEST_F(StartUp, TransferBufferHalvesDownTo16KiB) {
    Stamp(0, 0, 0, "x");
    g_memory.largestBlock = 100000;
    ASSERT_NE(PrepareJob(), 0);
    std::vector<uint32_t> expected;
    for (uint32_t size = kLargestBuffer; size >= 65536; size /= 2) expected.push_back(size);
    EXPECT_EQ(expected.front(), 2097152u);
    EXPECT_EQ(expected.size(), 6u);
    EXPECT_EQ(g_memory.requests, expected);
    EXPECT_EQ(g_join.bufferSize, 65536u);
    EXPECT_NE(g_join.transferBuffer, nullptr);
}

// A checksum gets a second buffer of the first one's size, for reading one
// block while the other is checksummed; the join goes on without it when it
// cannot be had, and without a checksum none is asked for.
TEST_F(StartUp, AChecksumGetsASecondBufferWhenOneCanBeHad) {
    g_memory.largestBlock = 100000;
    std::vector<uint32_t> one;  // 2 MiB halved down to the 64 KiB that can be had
    for (uint32_t size = kLargestBuffer; size >= 65536; size /= 2) one.push_back(size);
    std::vector<uint32_t> two = one;
    two.push_back(one.back());
    for (uint32_t kind : {CHECKSUM_NONE, CHECKSUM_SHA256}) {
        for (size_t fail : {size_t{0}, two.size()}) {
            SCOPED_TRACE(::testing::Message() << "kind " << kind << ", failing request " << fail);
            Stamp(kind, 10, 2, "x", kind != 0 ? std::string(64, 'a') : "");
            g_memory.failRequest = fail;
            ASSERT_NE(PrepareJob(), 0);
            EXPECT_EQ(g_memory.requests, kind != 0 ? two : one);
            EXPECT_EQ(g_join.bufferSize, 65536u);
            EXPECT_EQ(g_join.spareBuffer != nullptr, kind != 0 && fail == 0);
            ReleaseJob();
            EXPECT_EQ(g_memory.blocksAlive, 0);
            g_memory.requests.clear();
        }
    }
}

TEST_F(StartUp, NoBufferAtAllIsReported) {
    Stamp(0, 0, 0, "x");
    g_memory.largestBlock = 16383;
    EXPECT_EQ(PrepareJob(), 0);
    // Eight tries: 2 MiB halved down to 16 KiB.
    std::vector<uint32_t> expected;
    for (uint32_t size = 2u << 20; size >= 16384; size /= 2) expected.push_back(size);
    ASSERT_EQ(expected.size(), 8u);
    EXPECT_EQ(g_memory.requests, expected);
    EXPECT_EQ(g_join.transferBuffer, nullptr);
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Memoria insuficiente.");
    EXPECT_EQ(boxes[0].title, "Vantorel - Error");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(BOX_OK));  // no icon
    EXPECT_EQ(boxes[0].owner, nullptr);
}

TEST_F(StartUp, NoBrushEndsTheStartUp) {
    Stamp(0, 0, 0, "x");
    g_view.failBrush = true;
    EXPECT_EQ(PrepareJob(), 0);
}

// The job's part names are the rule's over its record's name and count.
TEST(PartNames, TheJobsFollowItsRecord) {
    g_join = JoinState{};
    g_join.outputName = "video.avi";
    g_join.partCount = 1001;
    char name[kNameCapacity];
    EXPECT_NE(PartName(7, name), 0);
    EXPECT_STREQ(name, "video.avi__0007");
    g_join = JoinState{};
}

}  // namespace

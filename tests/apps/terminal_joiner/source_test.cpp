// The terminal joiner's reading, without a terminal: the record of a
// joiner read as data, the record a checksum list makes, a list beside the
// parts, the command line and the escapes of what it prints.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "hash/checksum_kinds.h"
#include "format/part_name.h"
#include "text/cp1252.h"
#include "format/checksum_list.h"
#include "format/locate.h"
#include "tests/support/encode_record.h"
#include "tests/support/temp_dir.h"
#include "apps/terminal_joiner/options.h"
#include "apps/terminal_joiner/source.h"
#include "apps/terminal_joiner/texts.h"

namespace {

const std::string kUtf8Name = "A\xC3\xB1o caf\xC3\xA9.bin";  // "Año café.bin" in UTF-8

std::string Digest(char c) { return std::string(64, c); }

// The list of a set of count parts named name (UTF-8), with digits as digests.
std::string ListText(const std::string& name, uint32_t count, char whole = 'f') {
    std::string text;
    for (uint32_t i = 0; i < count; ++i) {
        char suffix[kSuffixCapacity];
        FormatPartSuffix(count, i, suffix);
        text += ChecksumListLine(Digest(static_cast<char>('0' + i)), name + suffix);
    }
    return text + ChecksumListLine(Digest(whole), name);
}

// A joiner stand-in stamped with record, written to path.
void StampFixture(const char* fixture, const uint8_t (&record)[kRecordSize], const std::string& path) {
    std::string image = ReadWholeFile(fixture);
    RecordLocation location;
    ASSERT_TRUE(LocateRecord(reinterpret_cast<const uint8_t*>(image.data()), image.size(), &location));
    std::memcpy(&image[location.offset], record, kRecordSize);
    WriteWholeFile(path, image);
}

// ---- The record's sources ----------------------------------------------------

// A stamped joiner, Windows or Linux, gives its record as it is.
TEST(JoinSource, AJoinerGivesItsRecordReadAsData) {
    TempDir dir;
    uint8_t record[kRecordSize];
    ASSERT_TRUE(EncodeRecord(CHECKSUM_MD5, 1234, 3, "A\xF1o.bin", std::string(32, 'c'), record));
    for (const char* fixture : {PE_FIXTURE, ELF_FIXTURE}) {
        if (fixture[0] == '\0') continue;  // no Windows cross compiler here
        SCOPED_TRACE(fixture);
        StampFixture(fixture, record, dir / "x__join");
        JoinSource source;
        SourceFailure failure;
        ASSERT_TRUE(ReadJoinSource(dir / "x__join", &source, &failure)) << static_cast<int>(failure.cause);
        EXPECT_EQ(std::memcmp(source.record, record, kRecordSize), 0);
        EXPECT_TRUE(source.partDigests.empty());
        EXPECT_FALSE(source.sizeFromParts);
    }
}

// A list gives a SHA-256 record of its name in Windows-1252, its count and
// its whole digest, with its parts' digests; the size is the parts'.
TEST(JoinSource, AListGivesARecordAndThePartsDigests) {
    TempDir dir;
    WriteWholeFile(dir / "list", ListText(kUtf8Name, 3));
    JoinSource source;
    SourceFailure failure;
    ASSERT_TRUE(ReadJoinSource(dir / "list", &source, &failure)) << static_cast<int>(failure.cause);
    JoinRecord record;
    DecodeRecord(source.record, &record);
    EXPECT_EQ(record.checksumKind, static_cast<uint32_t>(CHECKSUM_SHA256));
    EXPECT_EQ(std::string(record.checksumText), Digest('f'));
    EXPECT_EQ(record.partCount, 3u);
    EXPECT_EQ(record.expectedSize, 0u);
    EXPECT_STREQ(record.outputName, "A\xF1o caf\xE9.bin");
    EXPECT_EQ(source.partDigests, (std::vector<std::string>{Digest('0'), Digest('1'), Digest('2')}));
    EXPECT_TRUE(source.sizeFromParts);
}

// A list of a name in another script gives the record its stand-in and
// the name record the exact name, which is the set's name.
TEST(JoinSource, AListOfANameInAnyScriptGivesTheExactName) {
    TempDir dir;
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC \xD0\x96.bin";  // U+65E5 U+672C, U+0416
    WriteWholeFile(dir / "list", ListText(japanese, 2));
    JoinSource source;
    SourceFailure failure;
    ASSERT_TRUE(ReadJoinSource(dir / "list", &source, &failure)) << static_cast<int>(failure.cause);
    JoinRecord record;
    DecodeRecord(source.record, &record);
    EXPECT_STREQ(record.outputName, "__ _.bin");
    ASSERT_TRUE(source.hasNameRecord);
    std::string exact;
    ASSERT_TRUE(ExactOutputName(source.record, source.nameRecord, &exact));
    EXPECT_EQ(exact, japanese);
}

// The set a file names by its own name: a part of any index, the recovery
// index or volume; not the joiner, the list or a name that only looks close.
TEST(JoinSource, APartOrRecoveryFileNamesItsSet) {
    const struct {
        const char* file;
        const char* set;
    } cases[] = {
        {"a.bin__000", "a.bin"},        {"a.bin__0123", "a.bin"},
        {"x__y__042", "x__y"},          {"a.bin.par2", "a.bin"},
        {"a.bin.vol0+1.par2", "a.bin"}, {"a.bin.vol12+25.par2", "a.bin"},
        {"a.vol.par2", "a.vol"},        {"a.bin__join.exe", ""},
        {"a.bin__join", ""},            {"a.bin.sha256", ""},
        {"a.bin__01", ""},              {"a.bin__00x", ""},
        {"__000", ""},                  {".par2", ""},
        {"a.bin", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SetNameOf(c.file), c.set) << c.file;
}

// Given a part, the joiner beside it is read before the list, and the
// failure of what was read names that file; with neither, the part says so.
TEST(JoinSource, APartGivesTheRecordOfWhatIsBesideIt) {
    if (ELF_FIXTURE[0] == '\0') GTEST_SKIP();
    TempDir dir;
    WriteWholeFile(dir / "s.bin__001", "part");
    JoinSource source;
    SourceFailure failure;
    EXPECT_FALSE(ReadJoinSource(dir / "s.bin__001", &source, &failure));
    EXPECT_EQ(DescribeSourceFailure(failure, dir / "s.bin__001"),
              "'" + (dir / "s.bin__001") + "' is a file of the set 's.bin', but neither its joiner "
              "('s.bin__join.exe', 's.bin__join') nor its list ('s.bin.sha256') is beside it");

    WriteWholeFile(dir / "s.bin.sha256", ListText("s.bin", 2, 'a'));
    ASSERT_TRUE(ReadJoinSource(dir / "s.bin__001", &source, &failure));
    EXPECT_TRUE(source.sizeFromParts) << "the list's record";

    uint8_t record[kRecordSize];
    ASSERT_TRUE(EncodeRecord(CHECKSUM_MD5, 8, 2, "s.bin", std::string(32, 'c'), record));
    StampFixture(ELF_FIXTURE, record, dir / "s.bin__join");
    ASSERT_TRUE(ReadJoinSource(dir / "s.bin.par2", &source, &failure));
    EXPECT_FALSE(source.sizeFromParts) << "the joiner's record";
    EXPECT_EQ(std::memcmp(source.record, record, kRecordSize), 0);

    WriteWholeFile(dir / "s.bin__join.exe", "not a program");
    failure = SourceFailure();
    EXPECT_FALSE(ReadJoinSource(dir / "s.bin__000", &source, &failure));
    EXPECT_EQ(failure.file, dir / "s.bin__join.exe");
    EXPECT_EQ(DescribeSourceFailure(failure, dir / "s.bin__000").find("'" + (dir / "s.bin__join.exe") + "'"), 0u);
}

TEST(JoinSource, RefusesWhatGivesNoRecord) {
    TempDir dir;
    std::string truncated = ELF_FIXTURE[0] != '\0' ? ReadWholeFile(ELF_FIXTURE).substr(0, 100) : "";
    const struct {
        const char* name;
        std::string content;  // empty: nothing is written
        SourceCause cause;
        const char* sentence;
    } cases[] = {
        {"missing", "", SourceCause::CannotOpen, "cannot open 'DIR/missing': No such file or directory"},
        {"damaged", truncated, SourceCause::NoRecord,
         "'DIR/damaged' is a program without a usable join record: its headers are damaged"},
        {"prose", "not a list\n", SourceCause::NotAList,
         "'DIR/prose' is neither a joiner nor the checksum list of a set: line 1 is not a checksum line"},
        {"control", ListText("\xE6\x97\xA5\xC2\x85.bin", 2), SourceCause::NameNotPlain,
         "the name '\xE6\x97\xA5\\u0085.bin' of the list 'DIR/control' is not a plain file name"},
        {"path", ListText("../x", 2), SourceCause::NameNotPlain,
         "the name '../x' of the list 'DIR/path' is not a plain file name"},
        {"long", ListText(std::string(626, 'n'), 2), SourceCause::NameTooLong,
         "the name 'NNN' of the list 'DIR/long' is too long for the record"},
    };
    mkdir((dir / "folder").c_str(), 0700);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.content.empty()) WriteWholeFile(dir / c.name, c.content);
        JoinSource source;
        SourceFailure failure;
        EXPECT_FALSE(ReadJoinSource(dir / c.name, &source, &failure));
        EXPECT_EQ(failure.cause, c.cause);
        std::string sentence = c.sentence;
        sentence.replace(sentence.find("DIR"), 3, dir.Path().string());
        if (sentence.find("NNN") != std::string::npos) sentence.replace(sentence.find("NNN"), 3, std::string(626, 'n'));
        EXPECT_EQ(DescribeSourceFailure(failure, dir / c.name), sentence);
    }
    JoinSource source;
    SourceFailure failure;
    EXPECT_FALSE(ReadJoinSource(dir / "folder", &source, &failure));
    EXPECT_EQ(failure.cause, SourceCause::NotRegular);
}

// A list beside the parts is the set's only when its name, its count and
// (with a SHA-256 record) its whole digest are the record's.
TEST(JoinSource, AListBesideThePartsMustBeTheSets) {
    TempDir dir;
    // The record names the set by a stand-in; its name record, exactly.
    const std::string exact = "A\xC3\xB1o caf\xC3\xA9 \xE6\x97\xA5.bin";
    const std::string listName = exact + ".sha256";
    const struct {
        const char* name;
        uint32_t kind;
        std::string list;  // empty: no list
        ListBeside found;
    } cases[] = {
        {"none", CHECKSUM_SHA256, "", ListBeside::None},
        {"theSets", CHECKSUM_SHA256, ListText(exact, 3, 'e'), ListBeside::Used},
        {"anMd5Record", CHECKSUM_MD5, ListText(exact, 3, 'a'), ListBeside::Used},
        {"otherDigest", CHECKSUM_SHA256, ListText(exact, 3, 'a'), ListBeside::Unusable},
        {"otherCount", CHECKSUM_SHA256, ListText(exact, 4, 'e'), ListBeside::Unusable},
        {"otherName", CHECKSUM_SHA256, ListText("x", 3, 'e'), ListBeside::Unusable},
        // The list of another name with the same stand-in is another set's.
        {"otherStandIn", CHECKSUM_SHA256, ListText("A\xC3\xB1o caf\xC3\xA9 _.bin", 3, 'e'),
         ListBeside::Unusable},
        {"prose", CHECKSUM_SHA256, "prose\n", ListBeside::Unusable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(listName.c_str());
        if (!c.list.empty()) WriteWholeFile(listName, c.list);
        uint8_t record[kRecordSize];
        std::string digest = Digest('e').substr(0, 2 * FindChecksumKind(c.kind)->digestSize);
        ASSERT_TRUE(EncodeRecord(c.kind, 100, 3, "A\xF1o caf\xE9 _.bin", digest, record));
        uint8_t nameRecord[kNameRecordSize];
        ASSERT_TRUE(EncodeNameRecord(exact, nameRecord));
        std::string name;
        std::vector<std::string> digests;
        SourceFailure failure;
        EXPECT_EQ(FindListBeside(record, nameRecord, &name, &digests, &failure), c.found);
        EXPECT_EQ(digests.size(), c.found == ListBeside::Used ? 3u : 0u);
        if (c.found != ListBeside::None) {
            EXPECT_EQ(name, listName);
        }
        if (std::string(c.name).compare(0, 5, "other") == 0) {
            EXPECT_EQ(failure.cause, SourceCause::AnotherSetsList);
        }
    }
    // The template names no set: no list is looked for.
    uint8_t empty[kRecordSize] = {};
    std::string name;
    std::vector<std::string> digests;
    SourceFailure failure;
    EXPECT_EQ(FindListBeside(empty, nullptr, &name, &digests, &failure), ListBeside::None);
}

// ---- The command line ----------------------------------------------------------

TEST(TtyCommandLine, ParsesAndRefuses) {
    const struct {
        std::vector<const char*> words;
        const char* error;  // null: accepted
        Answering answering;
        bool deleteParts;
        const char* file;
    } cases[] = {
        {{}, nullptr, Answering::Ask, false, ""},
        {{"--yes", "--delete-parts", "a.sha256"}, nullptr, Answering::Yes, true, "a.sha256"},
        {{"--no", "--no"}, nullptr, Answering::No, false, ""},
        {{"--", "-x"}, nullptr, Answering::Ask, false, "-x"},
        {{"--yes", "--no"}, "--yes and --no exclude each other", Answering::Ask, false, ""},
        {{"a", "b"}, "one FILE at most", Answering::Ask, false, ""},
        {{""}, "an empty FILE", Answering::Ask, false, ""},
        {{"--force\x1b"}, "unknown option '--force\\x1b'", Answering::Ask, false, ""},
        // Long options cut short, as long as no other begins so.
        {{"--y", "--del", "f"}, nullptr, Answering::Yes, true, "f"},
        {{"--n", "--delete"}, nullptr, Answering::No, true, ""},
        {{"--ye", "--n"}, "--yes and --no exclude each other", Answering::Ask, false, ""},
        {{"--yess"}, "unknown option '--yess'", Answering::Ask, false, ""},
        {{"--yes=1"}, "option --yes takes no value", Answering::Ask, false, ""},
        {{"--d=x"}, "option --delete-parts takes no value", Answering::Ask, false, ""},
        {{"-y"}, "unknown option '-y'", Answering::Ask, false, ""},
        {{"-hv"}, "unknown option '-hv'", Answering::Ask, false, ""},
        {{"---yes"}, "unknown option '---yes'", Answering::Ask, false, ""},
    };
    for (const auto& c : cases) {
        std::vector<const char*> argv = {"selvanore"};
        argv.insert(argv.end(), c.words.begin(), c.words.end());
        TtyOptions options;
        std::string error;
        int accepted = ParseTtyArguments(static_cast<int>(argv.size()), argv.data(), &options, &error);
        SCOPED_TRACE(c.words.empty() ? "(none)" : c.words[0]);
        EXPECT_EQ(accepted != 0, c.error == nullptr);
        if (c.error != nullptr) {
            EXPECT_EQ(error, c.error);
            continue;
        }
        EXPECT_EQ(options.answering, c.answering);
        EXPECT_EQ(options.deleteParts, c.deleteParts);
        EXPECT_EQ(options.file, c.file);
        EXPECT_FALSE(options.help);
        EXPECT_FALSE(options.version);
    }
    for (const char* word : {"-h", "--help", "--he", "--h"}) {
        const char* argv[] = {"selvanore", word};
        TtyOptions options;
        std::string error;
        EXPECT_TRUE(ParseTtyArguments(2, argv, &options, &error)) << word;
        EXPECT_TRUE(options.help && !options.version) << word;
    }
    for (const char* word : {"--version", "--v", "--vers"}) {
        const char* argv[] = {"selvanore", word};
        TtyOptions options;
        std::string error;
        EXPECT_TRUE(ParseTtyArguments(2, argv, &options, &error)) << word;
        EXPECT_TRUE(options.version && !options.help) << word;
    }
}

}  // namespace

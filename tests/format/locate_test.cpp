// Finding the record in PE and ELF joiners: images crafted field by field,
// corrupted and cut short, and real binaries built for the purpose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/read_file.h"
#include "format/locate.h"
#include "format/name_record.h"
#include "format/classify.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(Bytes& b, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// ---- PE ----------------------------------------------------------------

// A PE image with one section, .rsrc, at RVA 0x1000 and file offset 0x200,
// holding a resource tree: a root with one entry per type, a directory per
// name, a directory per language, and data entries.
struct PeImage {
    Bytes bytes;
    size_t optional = 0;   // file offset of the optional header
    size_t section = 0;    // file offset of the .rsrc section header
    size_t root = 0x200;   // file offset of the resource tree
    size_t typeDirectory = 0, nameDirectory = 0, dataEntry = 0, record = 0;
};

const uint32_t kRva = 0x1000;

// The tree has room for up to four entries per directory.
PeImage BuildPe(bool plus = false, uint32_t languages = 1) {
    PeImage pe;
    Bytes& b = pe.bytes;
    b.assign(0x200 + 0x400, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    std::memcpy(&b[0x40], "PE\0\0", 4);
    size_t coff = 0x44;
    Put16(b, coff, plus ? 0x8664 : 0x14C);
    Put16(b, coff + 2, 1);                      // one section
    uint32_t optionalSize = plus ? 240 : 224;
    Put16(b, coff + 16, optionalSize);
    pe.optional = coff + 20;
    Put16(b, pe.optional, plus ? 0x20B : 0x10B);
    size_t directories = pe.optional + (plus ? 112 : 96);
    Put32(b, pe.optional + (plus ? 108 : 92), 16);
    Put32(b, directories + 2 * 8, kRva);        // resource directory
    Put32(b, directories + 2 * 8 + 4, 0x400);
    pe.section = pe.optional + optionalSize;
    std::memcpy(&b[pe.section], ".rsrc\0\0\0", 8);
    Put32(b, pe.section + 8, 0x400);            // virtual size
    Put32(b, pe.section + 12, kRva);
    Put32(b, pe.section + 16, 0x400);           // stored size
    Put32(b, pe.section + 20, 0x200);

    // Tree offsets, relative to its start.
    const uint32_t type = 0x20, name = 0x40, data = 0x60, record = 0xA0;
    Put16(b, pe.root + 14, 1);
    Put32(b, pe.root + 16, 10);                 // RCDATA
    Put32(b, pe.root + 20, 0x80000000u | type);
    Put16(b, pe.root + type + 14, 1);
    Put32(b, pe.root + type + 16, 1010);
    Put32(b, pe.root + type + 20, 0x80000000u | name);
    Put16(b, pe.root + name + 14, static_cast<uint16_t>(languages));
    for (uint32_t i = 0; i < languages; ++i) {
        Put32(b, pe.root + name + 16 + 8 * i, 0x409 + i);
        Put32(b, pe.root + name + 20 + 8 * i, data + 16 * i);
        Put32(b, pe.root + data + 16 * i, kRva + record);
        Put32(b, pe.root + data + 16 * i + 4, kRecordSize);
    }
    pe.typeDirectory = pe.root + type;
    pe.nameDirectory = pe.root + name;
    pe.dataEntry = pe.root + data;
    pe.record = pe.root + record;
    return pe;
}

LocateProblem PeProblem(const Bytes& b) {
    RecordLocation location;
    EXPECT_FALSE(LocatePeRecord(b.data(), b.size(), &location));
    return location.problem;
}

TEST(RecordLocatePe, FindsTheRecordInPe32AndPe32Plus) {
    for (bool plus : {false, true}) {
        PeImage pe = BuildPe(plus);
        RecordLocation location;
        ASSERT_TRUE(LocatePeRecord(pe.bytes.data(), pe.bytes.size(), &location)) << plus;
        EXPECT_EQ(location.offset, pe.record);
        EXPECT_EQ(location.format, plus ? ImageFormat::Pe32Plus : ImageFormat::Pe32);
        ASSERT_TRUE(LocateRecord(pe.bytes.data(), pe.bytes.size(), &location));
        EXPECT_EQ(location.offset, pe.record);
    }
}

TEST(RecordLocatePe, EveryTruncationFailsCleanly) {
    // The resource tree reaches the end of the image: every cut breaks it.
    PeImage pe = BuildPe();
    for (size_t length = 0; length < pe.bytes.size(); ++length) {
        // An exact-size copy, so that a read past the end is caught by ASan.
        Bytes cut(pe.bytes.begin(), pe.bytes.begin() + static_cast<long>(length));
        RecordLocation location;
        EXPECT_FALSE(LocatePeRecord(cut.data(), cut.size(), &location)) << "length " << length;
    }
}

TEST(RecordLocatePe, HeadersPointingOutsideTheImageAreRefused) {
    PeImage pe = BuildPe();
    Bytes b = pe.bytes;
    Put32(b, 0x3C, static_cast<uint32_t>(b.size()) - 8);
    EXPECT_EQ(PeProblem(b), LocateProblem::NotExecutable) << "PE header past the end";

    b = pe.bytes;
    Put16(b, 0x44 + 2, 0xFFFF);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "section table past the end";

    b = pe.bytes;
    Put16(b, 0x44 + 16, 0xFFFF);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "optional header past the end";

    b = pe.bytes;
    Put16(b, pe.optional, 0x107);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "unknown optional header";

    b = pe.bytes;
    Put32(b, pe.optional + 96 + 16, 0x9000);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "tree in no section";

    b = pe.bytes;
    Put32(b, pe.optional + 96 + 20, 0x401);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "tree larger than its section";

    b = pe.bytes;
    Put32(b, pe.section + 20, 0x300);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "section data past the end of file";

    b = pe.bytes;
    Put32(b, pe.section + 8, 0xA0 + 721);
    Put32(b, pe.optional + 96 + 20, 0xA0 + 721);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "record past the virtual size";

    b = pe.bytes;
    Put16(b, pe.root + 14, 0xFFFF);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "root entries past the tree";

    b = pe.bytes;
    Put32(b, pe.root + 20, 0x80000000u | 0x3FC);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "type directory past the tree";

    b = pe.bytes;
    Put32(b, pe.nameDirectory + 20, 0x3F8);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "data entry past the tree";

    b = pe.bytes;
    Put32(b, pe.dataEntry, kRva + 0x400 - 700);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "record past its section";

    b = pe.bytes;
    Put32(b, pe.dataEntry, 0x10);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed) << "record in no section";
}

TEST(RecordLocatePe, LoopsAndMisplacedLevelsAreRefused) {
    PeImage pe = BuildPe();
    Bytes b = pe.bytes;
    Put32(b, pe.root + 20, 0x80000000u);  // the type directory is the root
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed);
    Put16(b, pe.root + 14, 2);  // ... which also names 1010 with itself
    Put32(b, pe.root + 24, 1010);
    Put32(b, pe.root + 28, 0x80000000u);
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed);

    b = pe.bytes;
    Put32(b, pe.typeDirectory + 20, 0x80000000u | 0x20);  // the name directory is its parent
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed);

    b = pe.bytes;
    Put32(b, pe.typeDirectory + 20, 0x80000000u);  // the name directory is the root
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed);

    b = pe.bytes;
    Put32(b, pe.root + 20, 0x60);  // a data entry where a directory belongs
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed);

    b = pe.bytes;
    Put32(b, pe.nameDirectory + 20, 0x80000000u | 0x40);  // a directory where data belongs
    EXPECT_EQ(PeProblem(b), LocateProblem::Malformed);
}

TEST(RecordLocatePe, MissingAmbiguousAndWrongSizedRecordsAreRefused) {
    PeImage pe = BuildPe();
    Bytes b = pe.bytes;
    Put32(b, pe.root + 16, 3);  // an icon, not data
    EXPECT_EQ(PeProblem(b), LocateProblem::NoRecord);

    b = pe.bytes;
    Put32(b, pe.typeDirectory + 16, 1011);
    EXPECT_EQ(PeProblem(b), LocateProblem::NoRecord);

    b = pe.bytes;
    Put32(b, pe.typeDirectory + 16, 0x80000000u | 0x100);  // a named entry, not 1010
    EXPECT_EQ(PeProblem(b), LocateProblem::NoRecord);

    b = pe.bytes;
    Put16(b, pe.nameDirectory + 14, 0);
    EXPECT_EQ(PeProblem(b), LocateProblem::NoRecord);

    b = pe.bytes;
    Put32(b, pe.optional + 92, 2);  // no resource directory entry
    EXPECT_EQ(PeProblem(b), LocateProblem::NoRecord);

    b = pe.bytes;
    Put32(b, pe.optional + 96 + 16, 0);
    EXPECT_EQ(PeProblem(b), LocateProblem::NoRecord);

    EXPECT_EQ(PeProblem(BuildPe(false, 2).bytes), LocateProblem::Ambiguous) << "two languages";

    b = pe.bytes;  // two RCDATA type entries
    Put16(b, pe.root + 14, 2);
    Put32(b, pe.root + 24, 10);
    Put32(b, pe.root + 28, 0x80000000u | 0x20);
    EXPECT_EQ(PeProblem(b), LocateProblem::Ambiguous);

    b = pe.bytes;  // two 1010 entries
    Put16(b, pe.typeDirectory + 14, 2);
    Put32(b, pe.typeDirectory + 24, 1010);
    Put32(b, pe.typeDirectory + 28, 0x80000000u | 0x40);
    EXPECT_EQ(PeProblem(b), LocateProblem::Ambiguous);

    for (uint32_t size : {0u, 721u, 723u, 0xFFFFFFFFu}) {
        b = pe.bytes;
        Put32(b, pe.dataEntry + 4, size);
        EXPECT_EQ(PeProblem(b), LocateProblem::WrongSize) << size;
    }

    EXPECT_EQ(PeProblem(Bytes(200, 'x')), LocateProblem::NotExecutable);
    b = pe.bytes;
    b[0x41] = 'X';
    EXPECT_EQ(PeProblem(b), LocateProblem::NotExecutable) << "an MS-DOS program";
}

// ---- ELF ---------------------------------------------------------------

// An ELF image: header, section names, the record, and the section headers
// (null, .shstrtab, .joindesc, .text) at the end.
struct ElfImage {
    Bytes bytes;
    size_t table = 0;    // file offset of the section headers
    size_t entry = 0;    // size of one
    size_t record = 0;
    bool wide = true;
    size_t Header(int index) const { return table + entry * static_cast<size_t>(index); }
};

const char kNames[] = "\0.shstrtab\0.joindesc\0.text\0.joindesc2\0.joindes";
const uint32_t kShstrtabName = 1, kJoindescName = 11, kTextName = 21, kJoindesc2Name = 27,
               kJoindesName = 38;

void PutSection(ElfImage& elf, int index, uint32_t name, uint32_t type, uint64_t offset,
                uint64_t size, uint32_t link = 0) {
    size_t at = elf.Header(index);
    Put32(elf.bytes, at, name);
    Put32(elf.bytes, at + 4, type);
    if (elf.wide) {
        Put64(elf.bytes, at + 24, offset);
        Put64(elf.bytes, at + 32, size);
        Put32(elf.bytes, at + 40, link);
    } else {
        Put32(elf.bytes, at + 16, static_cast<uint32_t>(offset));
        Put32(elf.bytes, at + 20, static_cast<uint32_t>(size));
        Put32(elf.bytes, at + 24, link);
    }
}

ElfImage BuildElf(bool wide = true) {
    ElfImage elf;
    elf.wide = wide;
    elf.entry = wide ? 64 : 40;
    size_t names = 64;
    elf.record = 128;
    elf.table = 1024;
    elf.bytes.assign(elf.table + 5 * elf.entry, 0);
    Bytes& b = elf.bytes;
    std::memcpy(&b[0], "\x7F" "ELF", 4);
    b[4] = wide ? 2 : 1;
    b[5] = 1;  // little-endian
    b[6] = 1;
    if (wide) {
        Put64(b, 0x28, elf.table);
        Put16(b, 0x3A, 64);
        Put16(b, 0x3C, 4);
        Put16(b, 0x3E, 1);
    } else {
        Put32(b, 0x20, static_cast<uint32_t>(elf.table));
        Put16(b, 0x2E, 40);
        Put16(b, 0x30, 4);
        Put16(b, 0x32, 1);
    }
    std::memcpy(&b[names], kNames, sizeof kNames);
    PutSection(elf, 1, kShstrtabName, 3, names, sizeof kNames);
    PutSection(elf, 2, kJoindescName, 1, elf.record, kRecordSize);
    PutSection(elf, 3, kTextName, 1, 900, 100);
    return elf;
}

LocateProblem ElfProblem(const Bytes& b) {
    RecordLocation location;
    EXPECT_FALSE(LocateElfRecord(b.data(), b.size(), &location));
    return location.problem;
}

TEST(RecordLocateElf, FindsTheSectionIn64And32BitImages) {
    for (bool wide : {true, false}) {
        ElfImage elf = BuildElf(wide);
        RecordLocation location;
        ASSERT_TRUE(LocateElfRecord(elf.bytes.data(), elf.bytes.size(), &location)) << wide;
        EXPECT_EQ(location.offset, elf.record);
        EXPECT_EQ(location.format, wide ? ImageFormat::Elf64 : ImageFormat::Elf32);
        ASSERT_TRUE(LocateRecord(elf.bytes.data(), elf.bytes.size(), &location));
        EXPECT_EQ(location.offset, elf.record);
    }
}

TEST(RecordLocateElf, ExtendedSectionCountsAreFollowed) {
    ElfImage elf = BuildElf();
    Put16(elf.bytes, 0x3C, 0);       // the count is in section 0's size
    Put16(elf.bytes, 0x3E, 0xFFFF);  // the names' index in its link
    PutSection(elf, 0, 0, 0, 0, 4, 1);
    RecordLocation location;
    ASSERT_TRUE(LocateElfRecord(elf.bytes.data(), elf.bytes.size(), &location));
    EXPECT_EQ(location.offset, elf.record);

    PutSection(elf, 0, 0, 0, 0, 0xFFFFFFFFFFull, 1);
    EXPECT_EQ(ElfProblem(elf.bytes), LocateProblem::Malformed);
}

TEST(RecordLocateElf, EveryTruncationFailsCleanly) {
    for (bool wide : {true, false}) {
        // The four section headers end the part of the image that is read.
        ElfImage elf = BuildElf(wide);
        size_t needed = elf.Header(4);
        for (size_t length = 0; length < elf.bytes.size(); ++length) {
            Bytes cut(elf.bytes.begin(), elf.bytes.begin() + static_cast<long>(length));
            RecordLocation location;
            int found = LocateElfRecord(cut.data(), cut.size(), &location);
            EXPECT_EQ(found != 0, length >= needed) << length;
        }
    }
}

TEST(RecordLocateElf, HeadersPointingOutsideTheImageAreRefused) {
    ElfImage elf = BuildElf();
    Bytes b = elf.bytes;
    Put64(b, 0x28, b.size() - 10);
    EXPECT_EQ(ElfProblem(b), LocateProblem::Malformed) << "section headers past the end";

    b = elf.bytes;
    Put64(b, 0x28, 0xFFFFFFFFFFFFFFF0ull);
    EXPECT_EQ(ElfProblem(b), LocateProblem::Malformed) << "offset that overflows";

    b = elf.bytes;
    Put16(b, 0x3C, 0xFFFF);
    EXPECT_EQ(ElfProblem(b), LocateProblem::Malformed) << "too many sections";

    b = elf.bytes;
    Put16(b, 0x3A, 40);
    EXPECT_EQ(ElfProblem(b), LocateProblem::Malformed) << "entry size below the header's";

    b = elf.bytes;
    Put16(b, 0x3E, 4);
    EXPECT_EQ(ElfProblem(b), LocateProblem::Malformed) << "names index past the count";

    ElfImage e = BuildElf();
    PutSection(e, 1, kShstrtabName, 3, 64, 1u << 20);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::Malformed) << "names past the end";

    e = BuildElf();
    PutSection(e, 1, kShstrtabName, 8, 64, sizeof kNames);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::Malformed) << "names without file bytes";

    e = BuildElf();
    PutSection(e, 3, 5000, 1, 900, 100);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::Malformed) << "a name past the names";

    e = BuildElf();
    PutSection(e, 2, kJoindescName, 1, e.bytes.size() - 700, kRecordSize);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::Malformed) << "record past the end";

    e = BuildElf();
    PutSection(e, 2, kJoindescName, 8, 0, kRecordSize);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::Malformed) << "record without file bytes";
}

TEST(RecordLocateElf, MissingAmbiguousAndWrongSizedSectionsAreRefused) {
    ElfImage e = BuildElf();
    PutSection(e, 2, kJoindesc2Name, 1, e.record, kRecordSize);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::NoRecord) << ".joindesc2";
    PutSection(e, 2, kJoindesName, 1, e.record, kRecordSize);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::NoRecord) << ".joindes";

    // ".joindesc" cut off by the end of the names.
    e = BuildElf();
    PutSection(e, 1, kShstrtabName, 3, 64, kJoindescName + 9);
    PutSection(e, 3, kShstrtabName, 1, 900, 100);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::NoRecord);

    e = BuildElf();
    Put64(e.bytes, 0x28, 0);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::NoRecord) << "no section headers";

    e = BuildElf();
    Put16(e.bytes, 0x3E, 0);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::NoRecord) << "no section names";

    e = BuildElf();
    Put16(e.bytes, 0x3C, 5);
    PutSection(e, 4, kJoindescName, 1, 300, kRecordSize);
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::Ambiguous);

    for (uint64_t size : {0ull, 721ull, 723ull, 1ull << 40}) {
        e = BuildElf();
        PutSection(e, 2, kJoindescName, 1, e.record, size);
        EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::WrongSize) << size;
    }

    e = BuildElf();
    e.bytes[5] = 2;
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::NotExecutable) << "big-endian";
    e.bytes[5] = 1;
    e.bytes[4] = 3;
    EXPECT_EQ(ElfProblem(e.bytes), LocateProblem::NotExecutable) << "unknown class";
    RecordLocation location;
    const char text[] = "#!/bin/sh\necho not a joiner\n";
    EXPECT_FALSE(LocateRecord(reinterpret_cast<const uint8_t*>(text), sizeof text, &location));
    EXPECT_EQ(location.problem, LocateProblem::NotExecutable);
}

// ---- Real binaries -------------------------------------------------------

// The locator must point exactly where the template's bytes lie in a real
// joiner, found here by a plain search.
void ExpectRecordWhereTheTemplateIs(const std::string& path, ImageFormat format) {
    Bytes image = ReadFileBytes(path);
    Bytes record = ReadFileBytes(JOINDESC_FILE);
    ASSERT_FALSE(image.empty()) << path;
    ASSERT_EQ(record.size(), kRecordSize);
    auto at = std::search(image.begin(), image.end(), record.begin(), record.end());
    ASSERT_NE(at, image.end()) << "the template is not in " << path;
    EXPECT_EQ(std::search(at + 1, image.end(), record.begin(), record.end()), image.end())
        << "the template is in " << path << " twice";

    RecordLocation location;
    ASSERT_TRUE(LocateRecord(image.data(), image.size(), &location))
        << "problem " << static_cast<int>(location.problem);
    EXPECT_EQ(location.offset, static_cast<uint64_t>(at - image.begin()));
    EXPECT_EQ(location.format, format);
    EXPECT_EQ(ClassifyRecord(image.data() + location.offset), RecordKind::Template);
}

TEST(RecordLocateReal, ElfJoinerBuiltWithTheTemplate) {
    ExpectRecordWhereTheTemplateIs(ELF_FIXTURE, ImageFormat::Elf64);
}

TEST(RecordLocateReal, PeJoinerBuiltWithTheTemplate) {
    if (std::string(PE_FIXTURE).empty()) GTEST_SKIP() << "no mingw-w64 compiler was found";
    ExpectRecordWhereTheTemplateIs(PE_FIXTURE, ImageFormat::Pe32);
}

// The name record beside it: in the Windows stand-in, at its own place and
// not the record's; the Linux stand-in, built as an older joiner, has none.
TEST(RecordLocateReal, TheNameRecordIsFoundAtItsOwnPlace) {
    if (std::string(PE_FIXTURE).empty()) GTEST_SKIP() << "no mingw-w64 compiler was found";
    Bytes image = ReadFileBytes(PE_FIXTURE);
    RecordLocation record;
    RecordLocation name;
    ASSERT_TRUE(LocateRecord(image.data(), image.size(), &record));
    ASSERT_TRUE(LocateRecord(image.data(), image.size(), &name, kNameRecordPlace))
        << "problem " << static_cast<int>(name.problem);
    EXPECT_TRUE(name.offset + kNameRecordSize <= record.offset || record.offset + kRecordSize <= name.offset);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + name.offset, image.begin() + name.offset + kNameRecordSize),
              std::vector<uint8_t>(kNameRecordSize, 0));
    Bytes elf = ReadFileBytes(ELF_FIXTURE);
    EXPECT_FALSE(LocateRecord(elf.data(), elf.size(), &name, kNameRecordPlace));
    EXPECT_EQ(name.problem, LocateProblem::NoRecord);
}

TEST(RecordLocateReal, ProgramsWithoutARecord) {
    Bytes self = ReadFileBytes("/proc/self/exe");
    ASSERT_FALSE(self.empty());
    RecordLocation location;
    EXPECT_FALSE(LocateRecord(self.data(), self.size(), &location));
    EXPECT_EQ(location.problem, LocateProblem::NoRecord);
}

}  // namespace

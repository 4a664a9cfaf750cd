#include "format/locate.h"

#include <cstring>

#include "hash/bytes.h"
#include "format/classify.h"
#include "format/place.h"

namespace {

uint16_t Read16(const uint8_t* p) { return LoadLittle16(p); }
uint32_t Read32(const uint8_t* p) { return LoadLittle32(p); }
uint64_t Read64(const uint8_t* p) { return LoadLittle64(p); }

// Whether length bytes from offset lie within size bytes, without overflow.
bool Within(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

int Fail(RecordLocation* location, LocateProblem problem) {
    location->problem = problem;
    return 0;
}

// ---- PE ----------------------------------------------------------------

const uint32_t kResourceTypeData = SELVANORE_RECORD_RESOURCE_TYPE;
const uint32_t kSubdirectoryBit = 0x80000000u;
const uint32_t kSectionHeaderSize = 40;

struct PeImage {
    const uint8_t* image;
    uint64_t size;
    uint64_t sections;  // file offset of the section table
    uint32_t sectionCount;
};

// Maps length bytes at a relative virtual address to a file offset. The
// first section whose stored bytes hold the address decides: the bytes must
// all lie within its stored data (and its virtual size, when given) and
// within the file.
int MapRva(const PeImage& pe, uint32_t rva, uint64_t length, uint64_t* offset) {
    for (uint32_t i = 0; i < pe.sectionCount; ++i) {
        const uint8_t* header = pe.image + pe.sections + uint64_t{i} * kSectionHeaderSize;
        uint32_t virtualSize = Read32(header + 8);
        uint32_t address = Read32(header + 12);
        uint32_t rawSize = Read32(header + 16);
        uint32_t rawOffset = Read32(header + 20);
        uint64_t extent = rawSize;
        if (virtualSize != 0 && virtualSize < extent) extent = virtualSize;
        if (rva < address || rva - address >= extent) continue;
        uint64_t into = rva - address;
        if (length > extent - into) return 0;
        uint64_t at = uint64_t{rawOffset} + into;
        if (!Within(at, length, pe.size)) return 0;
        *offset = at;
        return 1;
    }
    return 0;
}

// The resource tree: offsets in its directories are relative to its start.
struct ResourceTree {
    const uint8_t* base;
    uint64_t size;
};

// Reads the entry count of the directory at offset; 0 when the directory or
// its entries do not fit in the tree.
int DirectoryEntries(const ResourceTree& tree, uint64_t offset, uint32_t* count) {
    if (!Within(offset, 16, tree.size)) return 0;
    const uint8_t* directory = tree.base + offset;
    *count = uint32_t{Read16(directory + 12)} + Read16(directory + 14);
    return Within(offset + 16, uint64_t{*count} * 8, tree.size);
}

// Finds the one entry with a numeric identifier id in the directory at
// offset and returns its target field.
int FindIdEntry(const ResourceTree& tree, uint64_t offset, uint32_t id, uint32_t* target,
                LocateProblem* problem) {
    uint32_t count = 0;
    if (!DirectoryEntries(tree, offset, &count)) {
        *problem = LocateProblem::Malformed;
        return 0;
    }
    uint32_t matches = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = tree.base + offset + 16 + uint64_t{i} * 8;
        uint32_t name = Read32(entry);
        if ((name & kSubdirectoryBit) != 0 || name != id) continue;
        ++matches;
        *target = Read32(entry + 4);
    }
    if (matches == 1) return 1;
    *problem = matches == 0 ? LocateProblem::NoRecord : LocateProblem::Ambiguous;
    return 0;
}

// Finds the record's type, its identifier and its one language in the tree; returns
// the tree offset of the language's data entry.
int FindRecordDataEntry(const ResourceTree& tree, uint32_t resourceId, uint64_t* dataEntry,
                        LocateProblem* problem) {
    uint32_t target = 0;
    if (!FindIdEntry(tree, 0, kResourceTypeData, &target, problem)) return 0;
    if ((target & kSubdirectoryBit) == 0) {
        *problem = LocateProblem::Malformed;
        return 0;
    }
    // Only three levels are walked, so a directory pointing back at one of
    // its ancestors cannot loop; it is still no valid tree.
    uint32_t typeDirectory = target & ~kSubdirectoryBit;
    if (typeDirectory == 0) {
        *problem = LocateProblem::Malformed;
        return 0;
    }

    if (!FindIdEntry(tree, typeDirectory, resourceId, &target, problem)) return 0;
    if ((target & kSubdirectoryBit) == 0) {
        *problem = LocateProblem::Malformed;
        return 0;
    }
    uint32_t nameDirectory = target & ~kSubdirectoryBit;
    if (nameDirectory == 0 || nameDirectory == typeDirectory) {
        *problem = LocateProblem::Malformed;
        return 0;
    }

    uint32_t languages = 0;
    if (!DirectoryEntries(tree, nameDirectory, &languages)) {
        *problem = LocateProblem::Malformed;
        return 0;
    }
    if (languages != 1) {
        *problem = languages == 0 ? LocateProblem::NoRecord : LocateProblem::Ambiguous;
        return 0;
    }
    target = Read32(tree.base + nameDirectory + 16 + 4);
    if ((target & kSubdirectoryBit) != 0 || !Within(target, 16, tree.size)) {
        *problem = LocateProblem::Malformed;
        return 0;
    }
    *dataEntry = target;
    return 1;
}

// ---- ELF ---------------------------------------------------------------

const uint32_t kSectionNoBits = 8;  // SHT_NOBITS: occupies no file bytes
const uint32_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX

struct ElfSection {
    uint32_t name;
    uint32_t type;
    uint64_t offset;
    uint64_t size;
    uint32_t link;
};

ElfSection ReadSection(const uint8_t* header, bool wide) {
    ElfSection section;
    section.name = Read32(header);
    section.type = Read32(header + 4);
    if (wide) {
        section.offset = Read64(header + 24);
        section.size = Read64(header + 32);
        section.link = Read32(header + 40);
    } else {
        section.offset = Read32(header + 16);
        section.size = Read32(header + 20);
        section.link = Read32(header + 24);
    }
    return section;
}

}  // namespace

const RecordPlace kJoinRecordPlace = {SELVANORE_RECORD_RESOURCE_ID, SELVANORE_RECORD_SECTION,
                                      SELVANORE_RECORD_SIZE};
const RecordPlace kNameRecordPlace = {SELVANORE_NAME_RECORD_RESOURCE_ID,
                                      SELVANORE_NAME_RECORD_SECTION, SELVANORE_NAME_RECORD_SIZE};

int LocatePeRecord(const uint8_t* image, uint64_t size, RecordLocation* location,
                   const RecordPlace& place) {
    location->format = ImageFormat::Unknown;
    location->offset = 0;
    location->problem = LocateProblem::None;

    if (size < 64 || image[0] != 'M' || image[1] != 'Z') {
        return Fail(location, LocateProblem::NotExecutable);
    }
    uint32_t peHeader = Read32(image + 0x3C);
    if (!Within(peHeader, 24, size)) return Fail(location, LocateProblem::NotExecutable);
    if (std::memcmp(image + peHeader, "PE\0\0", 4) != 0) {
        return Fail(location, LocateProblem::NotExecutable);
    }

    uint64_t coff = uint64_t{peHeader} + 4;
    uint32_t sectionCount = Read16(image + coff + 2);
    uint32_t optionalSize = Read16(image + coff + 16);
    uint64_t optional = coff + 20;
    if (optionalSize < 2 || !Within(optional, optionalSize, size)) {
        return Fail(location, LocateProblem::Malformed);
    }

    // PE32 and PE32+ differ in where the data directories start.
    uint32_t countAt = 0;
    uint32_t directoriesAt = 0;
    switch (Read16(image + optional)) {
        case 0x10B:
            location->format = ImageFormat::Pe32;
            countAt = 92;
            directoriesAt = 96;
            break;
        case 0x20B:
            location->format = ImageFormat::Pe32Plus;
            countAt = 108;
            directoriesAt = 112;
            break;
        default: return Fail(location, LocateProblem::Malformed);
    }
    if (optionalSize < directoriesAt) return Fail(location, LocateProblem::Malformed);
    uint32_t directoryCount = Read32(image + optional + countAt);
    const uint32_t kResourceDirectory = 2;
    uint64_t resourceAt = directoriesAt + kResourceDirectory * 8;
    if (directoryCount <= kResourceDirectory || optionalSize < resourceAt + 8) {
        return Fail(location, LocateProblem::NoRecord);
    }
    uint32_t resourceRva = Read32(image + optional + resourceAt);
    uint32_t resourceSize = Read32(image + optional + resourceAt + 4);
    if (resourceRva == 0 || resourceSize == 0) return Fail(location, LocateProblem::NoRecord);

    PeImage pe = {image, size, optional + optionalSize, sectionCount};
    if (!Within(pe.sections, uint64_t{sectionCount} * kSectionHeaderSize, size)) {
        return Fail(location, LocateProblem::Malformed);
    }
    uint64_t treeOffset = 0;
    if (!MapRva(pe, resourceRva, resourceSize, &treeOffset)) {
        return Fail(location, LocateProblem::Malformed);
    }
    ResourceTree tree = {image + treeOffset, resourceSize};

    uint64_t dataEntry = 0;
    LocateProblem problem = LocateProblem::None;
    if (!FindRecordDataEntry(tree, place.resourceId, &dataEntry, &problem)) return Fail(location, problem);
    uint32_t dataRva = Read32(tree.base + dataEntry);
    uint32_t dataSize = Read32(tree.base + dataEntry + 4);
    if (dataSize != place.size) return Fail(location, LocateProblem::WrongSize);
    uint64_t offset = 0;
    if (!MapRva(pe, dataRva, place.size, &offset)) {
        return Fail(location, LocateProblem::Malformed);
    }
    location->offset = offset;
    return 1;
}

int LocateElfRecord(const uint8_t* image, uint64_t size, RecordLocation* location,
                    const RecordPlace& place) {
    location->format = ImageFormat::Unknown;
    location->offset = 0;
    location->problem = LocateProblem::None;

    if (size < 16 || std::memcmp(image, "\x7F" "ELF", 4) != 0) {
        return Fail(location, LocateProblem::NotExecutable);
    }
    const uint8_t kLittleEndian = 1;
    if (image[5] != kLittleEndian) return Fail(location, LocateProblem::NotExecutable);

    bool wide = false;
    uint64_t headerSize = 0;
    uint32_t entryMinimum = 0;
    switch (image[4]) {
        case 1:
            location->format = ImageFormat::Elf32;
            headerSize = 52;
            entryMinimum = 40;
            break;
        case 2:
            location->format = ImageFormat::Elf64;
            wide = true;
            headerSize = 64;
            entryMinimum = 64;
            break;
        default: return Fail(location, LocateProblem::NotExecutable);
    }
    if (size < headerSize) return Fail(location, LocateProblem::Malformed);

    uint64_t tableOffset = wide ? Read64(image + 0x28) : Read32(image + 0x20);
    uint32_t entrySize = Read16(image + (wide ? 0x3A : 0x2E));
    uint64_t count = Read16(image + (wide ? 0x3C : 0x30));
    uint32_t namesIndex = Read16(image + (wide ? 0x3E : 0x32));
    if (tableOffset == 0) return Fail(location, LocateProblem::NoRecord);
    if (entrySize < entryMinimum || !Within(tableOffset, entrySize, size)) {
        return Fail(location, LocateProblem::Malformed);
    }

    // Counts too large for the header are kept in the first section header.
    ElfSection first = ReadSection(image + tableOffset, wide);
    if (count == 0) count = first.size;
    if (namesIndex == kExtendedIndex) namesIndex = first.link;
    if (count > size / entrySize || !Within(tableOffset, count * entrySize, size)) {
        return Fail(location, LocateProblem::Malformed);
    }
    if (namesIndex == 0) return Fail(location, LocateProblem::NoRecord);
    if (namesIndex >= count) return Fail(location, LocateProblem::Malformed);

    ElfSection names = ReadSection(image + tableOffset + uint64_t{namesIndex} * entrySize, wide);
    if (names.type == kSectionNoBits || !Within(names.offset, names.size, size)) {
        return Fail(location, LocateProblem::Malformed);
    }

    const size_t nameSize = std::strlen(place.section) + 1;
    uint64_t matches = 0;
    ElfSection record = {};
    for (uint64_t i = 0; i < count; ++i) {
        ElfSection section = ReadSection(image + tableOffset + i * entrySize, wide);
        if (section.name >= names.size && !(i == 0 && section.name == 0)) {
            return Fail(location, LocateProblem::Malformed);
        }
        if (!Within(section.name, nameSize, names.size)) continue;
        if (std::memcmp(image + names.offset + section.name, place.section, nameSize) != 0) {
            continue;
        }
        ++matches;
        record = section;
    }
    if (matches != 1) {
        return Fail(location, matches == 0 ? LocateProblem::NoRecord : LocateProblem::Ambiguous);
    }
    if (record.type == kSectionNoBits) return Fail(location, LocateProblem::Malformed);
    if (record.size != place.size) return Fail(location, LocateProblem::WrongSize);
    if (!Within(record.offset, place.size, size)) return Fail(location, LocateProblem::Malformed);
    location->offset = record.offset;
    return 1;
}

int LocateRecord(const uint8_t* image, uint64_t size, RecordLocation* location,
                 const RecordPlace& place) {
    if (size >= 4 && std::memcmp(image, "\x7F" "ELF", 4) == 0) {
        return LocateElfRecord(image, size, location, place);
    }
    return LocatePeRecord(image, size, location, place);
}

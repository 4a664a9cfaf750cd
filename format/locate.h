// Finds the join record, or the name record beside it, inside a joiner
// executable read whole into memory, at its place (format/place.h): in a PE
// image, the data resource of the record's number, in any one language; in
// an ELF image, its section. Every
// offset, count and size read from the image is checked against the image's
// bounds before use, so any bytes at all can be given.
#ifndef SELVANORE_FORMAT_LOCATE_H
#define SELVANORE_FORMAT_LOCATE_H

#include <cstdint>

enum class ImageFormat { Unknown, Pe32, Pe32Plus, Elf32, Elf64 };

enum class LocateProblem {
    None,
    NotExecutable,  // neither a PE nor an ELF image, or an ELF not little-endian
    Malformed,      // headers or tables that point outside the image or contradict each other
    NoRecord,       // a well-formed image without the resource or section
    Ambiguous,      // more than one candidate (languages, duplicate entries or sections)
    WrongSize,      // the one candidate is not the record's size
};

struct RecordLocation {
    ImageFormat format;
    uint64_t offset;        // file offset of the record's first byte, when found
    LocateProblem problem;  // why it was not found
};

// A record's place: its resource number, its section and its size.
struct RecordPlace {
    uint32_t resourceId;
    const char* section;  // terminated
    uint32_t size;
};
extern const RecordPlace kJoinRecordPlace;
extern const RecordPlace kNameRecordPlace;

// Each returns non-zero and sets location->offset when the image holds
// exactly one record of the place's size lying wholly inside the image; otherwise
// zero with location->problem set.
int LocatePeRecord(const uint8_t* image, uint64_t size, RecordLocation* location,
                   const RecordPlace& place = kJoinRecordPlace);
int LocateElfRecord(const uint8_t* image, uint64_t size, RecordLocation* location,
                    const RecordPlace& place = kJoinRecordPlace);

// Chooses the locator by the image's signature.
int LocateRecord(const uint8_t* image, uint64_t size, RecordLocation* location,
                 const RecordPlace& place = kJoinRecordPlace);

#endif

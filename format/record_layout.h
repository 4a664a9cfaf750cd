// The 722-byte join record stamped into a copy of the joiner: what to
// rebuild, its size, from how many parts, and the checksum to find. Packed
// (fields at unaligned offsets) and little-endian. The joiner reads it in
// place; the splitter and the tests encode and decode it here.
#ifndef SELVANORE_FORMAT_RECORD_LAYOUT_H
#define SELVANORE_FORMAT_RECORD_LAYOUT_H

#include <cstdint>
#include <cstring>

#include "hash/bytes.h"
#include "format/place.h"

const uint32_t kRecordSize = SELVANORE_RECORD_SIZE;
const uint32_t kChecksumTextOffset = 0;
const uint32_t kChecksumTextField = 80;
const uint32_t kChecksumKindOffset = 80;
const uint32_t kExpectedSizeOffset = 84;
const uint32_t kPartCountOffset = 92;
const uint32_t kOutputNameOffset = 96;
const uint32_t kOutputNameField = 626;

// The most parts a set may have, for the splitter and the joiner alike. Up
// to this count every index of a set has the same number of digits (three,
// or four above 1000 parts), so a plain listing of NAME__* (cat, copy /b, a
// file manager) gives the parts in their order.
const uint32_t kMaxPartCount = 10000;

// Whether a record's output name is a plain file name, to be made in the
// folder of the parts and nowhere else: terminated within its field, not
// empty, without a path separator, a drive or stream colon or a control
// character, and not ending in a dot or a space (which Windows drops, so
// that "." and ".." and "x." name other files).
inline int IsPlainOutputName(const char* name) {
    const void* end = std::memchr(name, '\0', kOutputNameField);
    if (end == nullptr || end == name) return 0;
    size_t length = static_cast<size_t>(static_cast<const char*>(end) - name);
    if (name[length - 1] == '.' || name[length - 1] == ' ') return 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == '/' || c == '\\' || c == ':') return 0;
    }
    return 1;
}

// The values of a record.
struct JoinRecord {
    char checksumText[kChecksumTextField];  // terminated; empty for kind 0
    uint32_t checksumKind;
    uint64_t expectedSize;
    uint32_t partCount;
    char outputName[kOutputNameField];  // Windows-1252, terminated
};

// Copies a terminated text into a field, zero-filling the rest of it.
// Returns 0, writing nothing, when the text has no terminator within width.
inline int StoreRecordText(uint8_t* field, uint32_t width, const char* text) {
    const void* end = std::memchr(text, '\0', width);
    if (end == nullptr) return 0;
    size_t length = static_cast<size_t>(static_cast<const char*>(end) - text);
    std::memset(field, 0, width);
    std::memcpy(field, text, length);
    return 1;
}

// Writes record as its 722 bytes, zero-filling each text field after its
// terminator. Returns 0, writing nothing, when a text has no terminator
// within its field.
inline int EncodeRecord(const JoinRecord& record, uint8_t (&bytes)[kRecordSize]) {
    uint8_t staged[kRecordSize];
    if (!StoreRecordText(staged + kChecksumTextOffset, kChecksumTextField, record.checksumText) ||
        !StoreRecordText(staged + kOutputNameOffset, kOutputNameField, record.outputName)) {
        return 0;
    }
    StoreLittle32(staged + kChecksumKindOffset, record.checksumKind);
    StoreLittle64(staged + kExpectedSizeOffset, record.expectedSize);
    StoreLittle32(staged + kPartCountOffset, record.partCount);
    std::memcpy(bytes, staged, kRecordSize);
    return 1;
}

// Reads the fields of 722 bytes. Texts are copied up to their field's width
// and always terminated (an unterminated field is cut at its last byte).
inline void DecodeRecord(const uint8_t* bytes, JoinRecord* record) {
    std::memcpy(record->checksumText, bytes + kChecksumTextOffset, kChecksumTextField);
    record->checksumText[kChecksumTextField - 1] = '\0';
    record->checksumKind = LoadLittle32(bytes + kChecksumKindOffset);
    record->expectedSize = LoadLittle64(bytes + kExpectedSizeOffset);
    record->partCount = LoadLittle32(bytes + kPartCountOffset);
    std::memcpy(record->outputName, bytes + kOutputNameOffset, kOutputNameField);
    record->outputName[kOutputNameField - 1] = '\0';
}

#endif

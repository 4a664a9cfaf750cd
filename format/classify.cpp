#include "format/classify.h"

#include <cstring>

#include "hash/checksum_kinds.h"

namespace {

// Length of the text of a field, or -1 when it has no terminator or a
// non-zero byte follows the terminator.
int32_t ZeroFilledTextLength(const uint8_t* field, uint32_t width) {
    const void* end = std::memchr(field, '\0', width);
    if (end == nullptr) return -1;
    uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(end) - field);
    for (uint32_t i = length; i < width; ++i) {
        if (field[i] != 0) return -1;
    }
    return static_cast<int32_t>(length);
}

// The template repeats the ten digits from the start of the checksum field,
// and from the start of every 64-byte run of the name's filler.
bool IsDigitRun(const uint8_t* bytes, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        if (bytes[i] != static_cast<uint8_t>('0' + (i + 1) % 10)) return false;
    }
    return true;
}

bool IsTemplate(const uint8_t* bytes) {
    // The checksum field: "1234567890" eight times, no terminator.
    if (!IsDigitRun(bytes, kChecksumTextField)) return false;
    // Kind, size and count: zero.
    for (uint32_t i = kChecksumKindOffset; i < kOutputNameOffset; ++i) {
        if (bytes[i] != 0) return false;
    }
    // The name field: a 50-character placeholder phrase without a zero,
    // then nine 64-character runs of filler digits.
    const uint32_t kPhrase = 50;
    const uint8_t* name = bytes + kOutputNameOffset;
    if (std::memchr(name, '\0', kPhrase) != nullptr) return false;
    for (uint32_t run = kPhrase; run < kOutputNameField; run += 64) {
        if (!IsDigitRun(name + run, 64)) return false;
    }
    return true;
}

}  // namespace

RecordKind ClassifyRecord(const uint8_t* bytes) {
    if (IsTemplate(bytes)) return RecordKind::Template;

    JoinRecord record;
    DecodeRecord(bytes, &record);
    const ChecksumKindInfo* info = FindChecksumKind(record.checksumKind);
    if (info == nullptr || record.partCount < 2 || record.expectedSize < record.partCount) {
        return RecordKind::Unrecognised;
    }

    // The texts' shape is read in the fields themselves: a decoded copy is
    // always terminated, and drops what follows the terminator.
    int32_t textLength = ZeroFilledTextLength(bytes + kChecksumTextOffset, kChecksumTextField);
    if (textLength != static_cast<int32_t>(2 * info->digestSize)) {
        return RecordKind::Unrecognised;
    }
    for (int32_t i = 0; i < textLength; ++i) {
        uint8_t c = bytes[kChecksumTextOffset + i];
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (!hex) return RecordKind::Unrecognised;
    }

    int32_t nameLength = ZeroFilledTextLength(bytes + kOutputNameOffset, kOutputNameField);
    if (nameLength < 1) return RecordKind::Unrecognised;
    return RecordKind::Stamped;
}

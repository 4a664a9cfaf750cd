// libFuzzer target: the record locators and the name conversion on any
// bytes. Besides not crashing or reading out of bounds, a record that is
// reported found must lie wholly inside the image.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "hash/checksum_kinds.h"
#include "text/cp1252.h"
#include "format/locate.h"
#include "format/classify.h"

namespace {

void CheckFound(const uint8_t* data, size_t size, const RecordLocation& location) {
    if (location.offset > size || size - location.offset < kRecordSize) __builtin_trap();
    JoinRecord record;
    DecodeRecord(data + location.offset, &record);
    // A record taken for stamped has a known kind and a digest of its length.
    if (ClassifyRecord(data + location.offset) == RecordKind::Stamped) {
        const ChecksumKindInfo* info = FindChecksumKind(record.checksumKind);
        if (info == nullptr || std::strlen(record.checksumText) != 2 * info->digestSize) {
            __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecordLocation pe;
    RecordLocation elf;
    RecordLocation any;
    int peFound = LocatePeRecord(data, size, &pe);
    int elfFound = LocateElfRecord(data, size, &elf);
    int anyFound = LocateRecord(data, size, &any);
    if (peFound) CheckFound(data, size, pe);
    if (elfFound) CheckFound(data, size, elf);
    if (anyFound) CheckFound(data, size, any);
    // An image is one format or the other, never both.
    if (peFound && elfFound) __builtin_trap();
    if (anyFound != (peFound || elfFound)) __builtin_trap();

    std::string name;
    Utf8ToWindows1252(reinterpret_cast<const char*>(data), size, &name, nullptr, nullptr);
    if (name.size() > size) __builtin_trap();
    return 0;
}

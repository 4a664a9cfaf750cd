// The join record and the name record in the Linux build: the bytes of
// their templates in sections of their own (format/place.h), which the splitter finds through the ELF
// section headers and overwrites in a copy of the program; or the record a
// front end read from another file (record_source.h).
#include "platform/platform.h"
#include "platform/posix/record_source.h"
#include "format/place.h"

// JOINDESC_TEMPLATE and JOINNAME_TEMPLATE are the paths of the template
// files, given by the build.
asm(".pushsection " SELVANORE_RECORD_SECTION ",\"a\",@progbits\n"
    ".globl selvanore_join_record\n"
    "selvanore_join_record:\n"
    ".incbin \"" JOINDESC_TEMPLATE "\"\n"
    ".popsection\n"
    ".pushsection " SELVANORE_NAME_RECORD_SECTION ",\"a\",@progbits\n"
    ".globl selvanore_name_record\n"
    "selvanore_name_record:\n"
    ".incbin \"" JOINNAME_TEMPLATE "\"\n"
    ".popsection\n");

extern "C" const uint8_t selvanore_join_record[SELVANORE_RECORD_SIZE];
extern "C" const uint8_t selvanore_name_record[SELVANORE_NAME_RECORD_SIZE];

namespace {

const uint8_t* g_handedOver = nullptr;
const uint8_t* g_handedOverName = nullptr;

}  // namespace

void UseRecordFrom(const uint8_t* record, const uint8_t* nameRecord) {
    g_handedOver = record;
    g_handedOverName = nameRecord;
}

const uint8_t* GetOwnRecord() {
    if (g_handedOver != nullptr) return g_handedOver;
    // Hide the address from the optimiser: it must read the bytes in the
    // file as stamped, never fold the template's values into the code.
    const uint8_t* record = selvanore_join_record;
    asm volatile("" : "+r"(record));
    return record;
}

const uint8_t* GetOwnNameRecord() {
    if (g_handedOver != nullptr) return g_handedOverName;
    const uint8_t* record = selvanore_name_record;
    asm volatile("" : "+r"(record));
    return record;
}

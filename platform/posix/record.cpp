// The join record in the Linux build: the 722 bytes of the template in a
// section of their own, .joindesc, which the splitter finds through the ELF
// section headers and overwrites in a copy of the program.
#include "platform/platform.h"

// JOINDESC_TEMPLATE is the path of the template file, given by the build.
asm(".pushsection .joindesc,\"a\",@progbits\n"
    ".globl selvanore_join_record\n"
    "selvanore_join_record:\n"
    ".incbin \"" JOINDESC_TEMPLATE "\"\n"
    ".popsection\n");

extern "C" const uint8_t selvanore_join_record[722];

const uint8_t* GetOwnRecord() {
    // Hide the address from the optimiser: it must read the bytes in the
    // file as stamped, never fold the template's values into the code.
    const uint8_t* record = selvanore_join_record;
    asm volatile("" : "+r"(record));
    return record;
}

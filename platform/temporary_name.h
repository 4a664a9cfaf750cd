// The names of temporary files, for every program: 64 bits nobody can
// foresee, as 16 lower-case hexadecimal digits, in a name of the caller's
// form. The creation is exclusive, so a name another run holds (one killed
// earlier, one at the same time) costs a new draw, never a file; after a
// few draws that all met a taken name the caller gives up. The bits come
// from the system's random source (RandomBytes, platform/files.h;
// UnpredictableBits, platform.h, for a job that must not fail for want of
// it).
#ifndef SELVANORE_PLATFORM_TEMPORARY_NAME_H
#define SELVANORE_PLATFORM_TEMPORARY_NAME_H

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

// What a try at a temporary name did.
enum class NameTry { Made, Taken, Failed };

// How a caller makes its temporary file: the bits of each draw (0 when they
// cannot be had), and the try at the name of digits, 16 lower-case
// hexadecimal digits, terminated.
struct TemporaryNaming {
    void* context;
    int (*draw)(void* context, uint64_t* bits);
    NameTry (*make)(void* context, const char* digits);
};

// The draw of a job that must not fail for want of random bits.
inline int DrawUnpredictableBits(void*, uint64_t* bits) {
    *bits = UnpredictableBits();
    return 1;
}

// Draws up to draws names and tries each until one is made. Returns Made;
// Failed when a draw or a try failed for another reason than a taken name;
// Taken when every name drawn was taken.
inline NameTry MakeUnderTemporaryName(const TemporaryNaming& naming, uint32_t draws) {
    for (uint32_t draw = 0; draw < draws; ++draw) {
        uint64_t bits = 0;
        if (!naming.draw(naming.context, &bits)) return NameTry::Failed;
        char digits[17];
        std::snprintf(digits, sizeof digits, "%08x%08x", static_cast<unsigned>(bits >> 32),
                      static_cast<unsigned>(bits & 0xFFFFFFFFu));
        NameTry tried = naming.make(naming.context, digits);
        if (tried != NameTry::Taken) return tried;
    }
    return NameTry::Taken;
}

#endif

// ShortSize (text/numbers.h), apart from the other numbers: only the
// splitter's window shows sizes so, and the joiner need not carry it.
#include <string>

#include "text/numbers.h"

std::string ShortSize(uint64_t bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    int unit = 0;
    uint64_t scale = 1024;
    while (unit + 1 < 6 && bytes / scale >= 1024) {
        scale *= 1024;
        ++unit;
    }
    // Tenths, rounded to the nearest.
    uint64_t whole = bytes / scale;
    uint64_t tenths = ((bytes % scale) * 10 + scale / 2) / scale;
    if (tenths == 10) {
        ++whole;
        tenths = 0;
    }
    // Rounded up to a whole unit more: 1.024 of a unit is one of the next.
    if (whole == 1024 && unit + 1 < 6) {
        whole = 1;
        ++unit;
    }
    return std::string(FormatSize(whole).text) + "," + std::to_string(tenths) + " " + kUnits[unit];
}

#include "text/numbers.h"

#include <cstring>

#include "text/text.h"

SizeText FormatSize(uint64_t value) {
    char digits[30];
    FormatText(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    size_t count = std::strlen(digits);

    SizeText size;
    char* out = size.text;
    const char* in = digits;
    size_t group = count % 3 == 0 ? 3 : count % 3;
    while (*in != '\0') {
        std::memcpy(out, in, group);
        out += group;
        in += group;
        *out++ = '.';
        group = 3;
    }
    out[-1] = '\0';  // the last separator becomes the terminator
    return size;
}

ClockText FormatClock(uint64_t seconds) {
    ClockText clock;
    FormatText(clock.text, sizeof clock.text, "%02llu:%02u:%02u",
               static_cast<unsigned long long>(seconds / 3600), static_cast<unsigned>(seconds / 60 % 60),
               static_cast<unsigned>(seconds % 60));
    return clock;
}

uint64_t EstimateRemaining(uint64_t elapsed, uint64_t done, uint64_t total) {
    if (done == 0 || done >= total) return 0;
    double remaining =
        static_cast<double>(elapsed) * (static_cast<double>(total) / static_cast<double>(done) - 1.0);
    if (!(remaining < 9223372036854775808.0)) return 0;  // does not fit 64 bits
    return static_cast<uint64_t>(static_cast<int64_t>(remaining));
}

#include "split/byte_count.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int Fail(ByteCountProblem* problem, ByteCountProblem why) {
    if (problem != nullptr) *problem = why;
    return 0;
}

// The multiplier a unit names (1 for none), or 0 for a text that is none.
uint64_t UnitFactor(const char* unit) {
    if (*unit == '\0') return 1;
    int power = 0;
    switch (Lower(unit[0])) {
        case 'k': power = 1; break;
        case 'm': power = 2; break;
        case 'g': power = 3; break;
        default: return 0;
    }
    uint64_t base = 0;
    const char* rest = unit + 1;
    if (*rest == '\0') {
        base = 1024;
    } else if (Lower(rest[0]) == 'b' && rest[1] == '\0') {
        base = 1000;
    } else if (Lower(rest[0]) == 'i' && Lower(rest[1]) == 'b' && rest[2] == '\0') {
        base = 1024;
    } else {
        return 0;
    }
    uint64_t factor = 1;
    for (int i = 0; i < power; ++i) factor *= base;
    return factor;
}

}  // namespace

int ParseByteCount(const char* text, uint64_t* value, ByteCountProblem* problem) {
    const char* at = text;
    if (*at < '0' || *at > '9') return Fail(problem, ByteCountProblem::NoNumber);
    uint64_t number = 0;
    bool tooLarge = false;
    for (; *at >= '0' && *at <= '9'; ++at) {
        uint64_t digit = static_cast<uint64_t>(*at - '0');
        if (number > (UINT64_MAX - digit) / 10) tooLarge = true;
        number = number * 10 + digit;
    }
    // A unit that is none counts before an overflow: "99999999999999999999x" is junk.
    uint64_t factor = UnitFactor(at);
    if (factor == 0) return Fail(problem, ByteCountProblem::UnknownUnit);
    if (tooLarge || number > UINT64_MAX / factor) return Fail(problem, ByteCountProblem::TooLarge);
    *value = number * factor;
    if (problem != nullptr) *problem = ByteCountProblem::None;
    return 1;
}

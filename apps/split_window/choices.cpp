#include "apps/split_window/choices.h"

namespace {

const uint64_t kKiB = 1024;
const uint64_t kMiB = kKiB * 1024;
const uint64_t kGiB = kMiB * 1024;

int Digit(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

bool Blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

const uint64_t kSizeUnits[kSizeUnitCount] = {1, kKiB, kMiB, kGiB};
const size_t kDefaultSizeUnit = 2;

int ChooseCut(size_t index, const char* amount, size_t unit, CutChoice* choice,
              AmountProblem* problem) {
    *problem = AmountProblem::None;
    CutChoice made;
    if (index < kCutPresetCount) {
        made.partSize = kCutPresets[index].partSize;
        made.mailLimit = kCutPresets[index].mailLimit;
        *choice = made;
        return 1;
    }
    made.byParts = index != kCutPresetCount;
    uint64_t multiplier = made.byParts || unit >= kSizeUnitCount ? 1 : kSizeUnits[unit];

    const char* at = amount;
    while (Blank(*at)) ++at;
    // The whole number, then the decimals as a fraction numerator /
    // denominator: nine of them are more than a byte of a GB.
    uint64_t whole = 0;
    int digits = 0;
    for (; Digit(*at) >= 0; ++at, ++digits) {
        uint64_t d = static_cast<uint64_t>(Digit(*at));
        if (whole > (UINT64_MAX - d) / 10) {
            *problem = AmountProblem::TooLarge;
            return 0;
        }
        whole = whole * 10 + d;
    }
    uint64_t numerator = 0;
    uint64_t denominator = 1;
    bool decimals = false;
    if (*at == ',') {
        ++at;
        decimals = true;
        int fractionDigits = 0;
        for (; Digit(*at) >= 0; ++at, ++fractionDigits) {
            if (denominator < 1000000000u) {
                numerator = numerator * 10 + static_cast<uint64_t>(Digit(*at));
                denominator *= 10;
            }
        }
        if (fractionDigits == 0) digits = 0;
    }
    while (Blank(*at)) ++at;
    if (digits == 0 || *at != '\0') {
        *problem = AmountProblem::NotANumber;
        return 0;
    }
    if (decimals && numerator != 0 && (made.byParts || multiplier == 1)) {
        *problem = AmountProblem::Fraction;
        return 0;
    }
    if (whole > UINT64_MAX / multiplier) {
        *problem = AmountProblem::TooLarge;
        return 0;
    }
    uint64_t value = whole * multiplier;
    // numerator < 10^9 and multiplier <= 2^30: no overflow.
    uint64_t part = numerator * multiplier / denominator;
    if (value > UINT64_MAX - part) {
        *problem = AmountProblem::TooLarge;
        return 0;
    }
    value += part;
    if (made.byParts) {
        made.parts = value;
    } else {
        made.partSize = value;
    }
    *choice = made;
    return 1;
}

std::optional<uint32_t> RecoveryOfChoice(size_t index) {
    static const uint32_t kCounts[kRecoveryChoiceCount] = {0, 0, 1, 2, 3, 4, 5, 10};
    if (index == 0 || index >= kRecoveryChoiceCount) return std::nullopt;
    return kCounts[index];
}

// What the splitter's window offers: the part sizes people send by (mail
// attachments, a CD, a DVD, a FAT32 disk), a size of one's own or a number of
// parts, and how the window's amount turns into the job's cut. Their labels
// are the window's texts (texts.h). No window system here: the window
// (main.cpp) shows these, the tests call them natively.
#ifndef SELVANORE_APPS_SPLIT_WINDOW_CHOICES_H
#define SELVANORE_APPS_SPLIT_WINDOW_CHOICES_H

#include <cstddef>
#include <cstdint>
#include <optional>

// The presets (kCutPresets), in the order the window lists them; the first
// is the default. After them the window lists a size of one's own and a
// number of parts.
#include "split/presets.h"

// The units of a size of one's own, in bytes: powers of 1024 as Windows
// shows sizes.
const size_t kSizeUnitCount = 4;
extern const uint64_t kSizeUnits[kSizeUnitCount];
// The unit selected at first (of 1024^2 bytes).
extern const size_t kDefaultSizeUnit;

// How the window's choice cuts: the job's byParts, parts and partSize.
struct CutChoice {
    bool byParts = false;
    uint64_t parts = 0;
    uint64_t partSize = 0;
    uint64_t mailLimit = 0;  // the preset's, for the summary
};

enum class AmountProblem {
    None,
    NotANumber,   // empty, or not digits with at most one decimal comma
    Fraction,     // a number of parts (or of bytes) with decimals
    TooLarge,     // beyond 2^64 - 1 bytes or parts
};

// The choice at index (kCutPresetCount: a size of one's own, amount in the
// unit at unit; kCutPresetCount + 1: amount parts), amount being what the
// user typed (blanks around it allowed; a decimal comma, as in
// "6,5", where a size is asked; the part of a byte it gives is dropped).
// Returns 0 with *problem when the amount cannot be read. Whether the file
// can be cut so (a size of 0, fewer than 2 parts...) is the job's to say.
int ChooseCut(size_t index, const char* amount, size_t unit, CutChoice* choice,
              AmountProblem* problem);

// The recovery data's choices, in the window's order: the job's default
// (one recovery part for 3 parts or more), none, then 1 to 5 and 10
// recovery parts. The first is selected at first.
const size_t kRecoveryChoiceCount = 8;
// The request's recovery for the choice at index (none: the default).
std::optional<uint32_t> RecoveryOfChoice(size_t index);

#endif

// Checks of the name a file is cut under: it becomes the joiner's output
// name on Windows and the base of every part's name, whose suffix follows
// the joiner's rule.
#ifndef SELVANORE_SPLIT_NAMES_H
#define SELVANORE_SPLIT_NAMES_H

#include <cstdint>
#include <string>

#include "split/split.h"

// Refuses a name that Windows does not keep as it is: a device name (CON,
// PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, also with the superscript
// digits 1, 2 and 3, CONIN$ and CONOUT$) before the first dot, in any case
// and with trailing spaces (SplitCause::DeviceName); or a name ending in a
// dot or a space, which Windows drops (DroppedEnd). Returns 0 with *failure.
int CheckWindowsName(const std::string& name, SplitFailure* failure);

// Converts the UTF-8 name into Windows-1252 for the join record: its own
// bytes when the code page has every character, else its stand-in
// (Utf8ToWindows1252StandIn), *standIn then set. Refuses a name that is not
// valid UTF-8 (NameNotUtf8), or has a character Windows does not allow in
// file names or a control character, C1 controls included (NameNotAllowed).
// Returns 0 with *failure.
int ConvertName(const std::string& name, std::string* cp1252, bool* standIn,
                SplitFailure* failure);

// The text that follows the output name in the name of part index of a set
// of count parts ("__007", "__0012", "__12345"), by the joiner's own rule
// (FormatPartName). Returns 0 when the joiner could not hold the part's name, the
// UTF-8 output name and the suffix, in its 520-byte buffer.
int PartSuffix(const std::string& outputName, uint32_t count, uint32_t index,
               std::string* suffix);

#endif

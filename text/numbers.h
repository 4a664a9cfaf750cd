// Numbers as the programs show them: byte counts with their digits grouped,
// sizes in a binary unit, the clock of a running job and the time it still
// needs. One rule each, for the joiner's report and labels and the
// splitter's window alike.
#ifndef SELVANORE_TEXT_NUMBERS_H
#define SELVANORE_TEXT_NUMBERS_H

#include <cstdint>
#include <string>

// Capacity of a byte-count text, terminator included.
const uint32_t kSizeTextCapacity = 32;

struct SizeText {
    char text[kSizeTextCapacity];
};

// Value in decimal with a full stop between groups of three digits
// ("1.234.567").
SizeText FormatSize(uint64_t value);

// A size in the largest unit of 1024 that it reaches, with one decimal
// after a comma, rounded to the nearest: "812 bytes", "6,5 MiB", "4,0 GiB".
// KB, MB and GB are powers of 1000 wherever the programs say them.
std::string ShortSize(uint64_t bytes);

// Capacity of a clock text, terminator included: the hours of 2^64 - 1
// seconds have 16 digits.
const uint32_t kClockTextCapacity = 24;

struct ClockText {
    char text[kClockTextCapacity];
};

// Seconds as "hh:mm:ss", the hours not reduced modulo 24 ("123:00:00").
ClockText FormatClock(uint64_t seconds);

// The time a job still needs, in milliseconds: the time spent per byte so
// far (elapsed milliseconds for done bytes) applied to the bytes still to
// do, cut to the millisecond. 0 when nothing is done yet, when done reaches
// the total (parts that grew make it exceed it: the job is at its end as far
// as anyone can tell, not at a negative time), and when the estimate does
// not fit 64 bits.
uint64_t EstimateRemaining(uint64_t elapsed, uint64_t done, uint64_t total);

#endif

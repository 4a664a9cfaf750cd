// Bounded text operations shared by every part of the program. All texts
// are UTF-8 bytes with a terminating zero.
#ifndef SELVANORE_TEXT_TEXT_H
#define SELVANORE_TEXT_TEXT_H

#include <cstdarg>
#include <cstddef>

enum class TextResult {
    Ok,               // the whole text fitted
    Truncated,        // the text was cut to the longest prefix that fits
    InvalidArgument,  // capacity 0 or above kMaxTextCapacity
};

// Largest capacity the text operations accept.
const size_t kMaxTextCapacity = 2147483647;

// printf-style formatting into buffer. Unless the capacity is invalid (the
// buffer is then untouched), the buffer always holds a terminated text of at
// most capacity - 1 characters: the longest prefix of the full text that fits.
TextResult FormatText(char* buffer, size_t capacity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// FormatText with its values in a va_list.
TextResult FormatTextV(char* buffer, size_t capacity, const char* format, va_list args);

#endif

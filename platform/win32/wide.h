// The program's UTF-8 texts and names for the wide (UTF-16) calls of
// Windows, which take them as they are on every code page.
#ifndef SELVANORE_PLATFORM_WIN32_WIDE_H
#define SELVANORE_PLATFORM_WIN32_WIDE_H

#include <cstddef>

#include "text/unicode.h"

static_assert(sizeof(wchar_t) == 2, "Windows' wide characters are UTF-16 units");

// Units of a converted text or name, terminator included: room for a message
// box's text and for any name the program makes.
const size_t kWideCapacity = 1040;

// Converts the terminated UTF-8 text into out, which holds capacity units
// (at least one), and terminates it; a byte that starts no sequence shows
// as U+FFFD. Returns the number of bytes converted: the text's length when
// it fits in capacity - 1 units, fewer when it had to stop there (never
// inside a character).
inline size_t WidenText(const char* text, wchar_t* out, size_t capacity) {
    return Utf8ToUtf16Prefix(text, reinterpret_cast<char16_t*>(out), capacity, nullptr);
}

// Converts a name whole and exactly or not at all: a name cut short or
// guessed at names another file. Returns 0, with out empty, when it does not
// fit or is not UTF-8 (a lone surrogate's three bytes are carried).
template <size_t N>
int WidenName(const char* name, wchar_t (&out)[N]) {
    int exact = 0;
    size_t count = Utf8ToUtf16Prefix(name, reinterpret_cast<char16_t*>(out), N, &exact);
    if (name[count] == '\0' && exact) return 1;
    out[0] = L'\0';
    return 0;
}

#endif

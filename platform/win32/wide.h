// The program's Windows-1252 texts and names for the wide (UTF-16) calls of
// Windows, which take them as they are on every code page. Every
// Windows-1252 character is one UTF-16 unit, so a text keeps its length and
// its positions.
#ifndef SELVANORE_PLATFORM_WIN32_WIDE_H
#define SELVANORE_PLATFORM_WIN32_WIDE_H

#include <cstddef>

#include "text/cp1252.h"

static_assert(sizeof(wchar_t) == 2, "Windows' wide characters are UTF-16 units");

// Units of a converted text or name, terminator included: room for a message
// box's text and for any name the program makes.
const size_t kWideCapacity = 1040;

// Converts the terminated Windows-1252 text into out, which holds capacity
// units (at least one), and terminates it. Returns the number of bytes
// converted: the text's length when it fits in capacity - 1 units, fewer
// when it had to stop there.
inline size_t WidenText(const char* text, wchar_t* out, size_t capacity) {
    return Windows1252ToUtf16(text, reinterpret_cast<char16_t*>(out), capacity);
}

// Converts a name whole or not at all: a name cut short names another file.
// Returns 0, with out empty, when it does not fit.
template <size_t N>
int WidenName(const char* name, wchar_t (&out)[N]) {
    size_t count = WidenText(name, out, N);
    if (name[count] == '\0') return 1;
    out[0] = L'\0';
    return 0;
}

#endif

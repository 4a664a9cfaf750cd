// Conversions between Windows-1252, the code page of the join record's
// name, and UTF-8, the program's text, and UTF-16, the text of Windows' wide
// calls. UTF-8 is read and written by the one decoder and encoder of
// text/unicode.h.
#ifndef SELVANORE_TEXT_CP1252_H
#define SELVANORE_TEXT_CP1252_H

#include <cstddef>
#include <cstdint>
#include <string>

enum class NameProblem {
    None,
    InvalidUtf8,     // a malformed, overlong or surrogate sequence
    NotRepresentable,  // a character Windows-1252 has no byte for
};

// Converts the UTF-8 text utf8 of length bytes into Windows-1252. Every
// character of U+0000 to U+007F and U+00A0 to U+00FF is its own byte; the
// 27 characters that Windows-1252 places at 0x80 to 0x9F get those bytes.
// Returns 0 and sets *problem (when given) when the text is not valid UTF-8
// or holds a character without a byte, including the C1 controls U+0080 to
// U+009F; *offset (when given) is then the byte offset of the offending
// sequence. *cp1252 is only written on success.
int Utf8ToWindows1252(const char* utf8, size_t length, std::string* cp1252,
                      NameProblem* problem, size_t* offset);

// The stand-in of a UTF-8 name in Windows-1252, for readers that know only
// that code page: every character Windows-1252 has becomes its byte, every
// other one (C1 controls included) an underscore, one per character.
// Returns 0 when the text is not valid UTF-8; *cp1252 is only written on
// success. For a name Utf8ToWindows1252 converts, the same bytes.
int Utf8ToWindows1252StandIn(const std::string& utf8, std::string* cp1252);

// Converts the terminated Windows-1252 text into UTF-8. Every byte has a
// character: the five bytes of 0x80 to 0x9F that Windows-1252 leaves
// unassigned become the C1 controls of the same number, as on Windows.
std::string Windows1252ToUtf8(const char* text);

// The UTF-16 unit of a Windows-1252 byte, as Windows converts it: every
// character of Windows-1252 is one unit, and the five bytes it leaves
// unassigned become the C1 controls of the same number.
uint16_t Windows1252ToUtf16Unit(unsigned char byte);
// The reverse: the byte of a UTF-16 unit, or -1 when no byte converts to it.
int Utf16UnitToWindows1252(uint16_t unit);

// Converts the terminated Windows-1252 text into out, which holds capacity
// units (at least one), unit for unit, and terminates it. Returns the number
// of bytes converted: the text's length when it fits in capacity - 1 units,
// fewer when it had to stop there.
size_t Windows1252ToUtf16(const char* text, char16_t* out, size_t capacity);
// The same, whole, in a string of its own.
std::u16string Windows1252ToUtf16(const char* text);

#endif

// UTF-8, the text of names and messages on Linux and inside the splitter,
// and UTF-16, the text of the Windows wide calls: the one decoder and the
// one encoder of UTF-8 that every conversion of the program goes through.
//
// Windows names may hold a lone surrogate; such a unit is carried through
// UTF-8 as the three bytes a surrogate code point would have (the form
// "WTF-8"), so that a name read from the system reaches it again unchanged.
// Everywhere a name must be text (the Windows-1252 conversion, the names
// shown on a terminal) those bytes are refused as invalid UTF-8.
#ifndef SELVANORE_TEXT_UNICODE_H
#define SELVANORE_TEXT_UNICODE_H

#include <cstddef>
#include <cstdint>
#include <string>

// Whether a surrogate code point (U+D800 to U+DFFF) written in three bytes
// is a character: Refused where text must be valid UTF-8, Carried where a
// Windows name crosses UTF-8 on its way back to the system.
enum class Surrogates { Refused, Carried };

// The length of the UTF-8 sequence at text[0..length) (length > 0), its
// code point in *code. 0 for bytes that start none: a stray continuation,
// a sequence cut short, an overlong form, a code point beyond U+10FFFF, a
// lead byte no sequence has, and unless Carried a surrogate.
size_t DecodeUtf8(const char* text, size_t length, uint32_t* code,
                  Surrogates surrogates = Surrogates::Refused);

// Appends the UTF-8 of the code point code (at most U+10FFFF; a surrogate
// in its three-byte form).
void AppendUtf8(uint32_t code, std::string* out);

// Converts UTF-16 into UTF-8, a lone surrogate into its three-byte form.
std::string Utf16ToUtf8(const std::u16string& text);

// Converts UTF-8 (with three-byte surrogates as above) into UTF-16. Returns 0
// for a truncated, malformed or overlong sequence, a code point above
// U+10FFFF, or a surrogate pair written as two three-byte sequences (it has a
// four-byte form); *utf16 is then left as it was.
int Utf8ToUtf16(const std::string& text, std::u16string* utf16);

// Converts the terminated UTF-8 text (with three-byte surrogates as above)
// into out, which holds capacity units (at least one), and terminates it.
// Stops before a character that would not fit in capacity - 1 units, never
// splitting a pair. A byte that starts no sequence becomes U+FFFD, and
// *exact (when given) is then set to 0, else to 1. Returns the number of
// bytes converted: the text's length when it all fitted.
size_t Utf8ToUtf16Prefix(const char* text, char16_t* out, size_t capacity, int* exact);

#endif

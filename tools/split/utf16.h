// Conversions between the UTF-8 the splitter works in and the UTF-16 of the
// Windows wide calls. Windows names may hold a lone surrogate; such a unit is
// carried through UTF-8 as the three bytes a surrogate code point would have
// (the form "WTF-8"), so that a name read from the system reaches it again
// unchanged. The name checks refuse those bytes as invalid UTF-8 wherever a
// name must be text.
#ifndef SELVANORE_TOOLS_SPLIT_UTF16_H
#define SELVANORE_TOOLS_SPLIT_UTF16_H

#include <cstddef>
#include <cstdint>
#include <string>

// The length of the UTF-8 sequence at text[at] (at < text.size()), its code
// point in *code; three-byte surrogates are taken, as above. 0 for a byte
// that starts none: a stray continuation, an overlong form, a code point
// beyond U+10FFFF, a sequence cut short.
size_t DecodeUtf8Sequence(const std::string& text, size_t at, uint32_t* code);

// Converts UTF-16 into UTF-8, a lone surrogate into its three-byte form.
std::string Utf16ToUtf8(const std::u16string& text);

// Converts UTF-8 (with three-byte surrogates as above) into UTF-16. Returns 0
// for a truncated, malformed or overlong sequence, a code point above
// U+10FFFF, or a surrogate pair written as two three-byte sequences (it has a
// four-byte form); *utf16 is then left as it was.
int Utf8ToUtf16(const std::string& text, std::u16string* utf16);

#endif

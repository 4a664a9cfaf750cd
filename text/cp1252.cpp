#include "text/cp1252.h"

#include <cstdint>
#include <cstring>

#include "text/unicode.h"

namespace {

const unsigned kNone = 0xFFFF;

// The characters of the bytes 0x80 to 0x9F.
const uint16_t kHighControls[32] = {
    0x20AC, kNone,  0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, kNone,  0x017D, kNone,   // 88-8F
    kNone,  0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, kNone,  0x017E, 0x0178,  // 98-9F
};

// The byte of a character, or -1 when Windows-1252 has none.
int ByteOf(uint32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<int>(character);
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] != kNone && kHighControls[i] == character) return 0x80 + i;
    }
    return -1;
}

}  // namespace

int Utf8ToWindows1252(const char* utf8, size_t length, std::string* cp1252,
                      NameProblem* problem, size_t* offset) {
    std::string converted;
    converted.reserve(length);
    size_t at = 0;
    while (at < length) {
        uint32_t character = 0;
        size_t used = DecodeUtf8(utf8 + at, length - at, &character);
        NameProblem found = NameProblem::None;
        int byte = -1;
        if (used == 0) {
            found = NameProblem::InvalidUtf8;
        } else {
            byte = ByteOf(character);
            if (byte < 0) found = NameProblem::NotRepresentable;
        }
        if (found != NameProblem::None) {
            if (problem != nullptr) *problem = found;
            if (offset != nullptr) *offset = at;
            return 0;
        }
        converted.push_back(static_cast<char>(byte));
        at += used;
    }
    *cp1252 = converted;
    if (problem != nullptr) *problem = NameProblem::None;
    return 1;
}

int Utf8ToWindows1252StandIn(const std::string& utf8, std::string* cp1252) {
    std::string converted;
    size_t at = 0;
    while (at < utf8.size()) {
        uint32_t character = 0;
        size_t used = DecodeUtf8(utf8.data() + at, utf8.size() - at, &character);
        if (used == 0) return 0;
        int byte = character >= 0x80 && character < 0xA0 ? -1 : ByteOf(character);
        converted += byte < 0 ? '_' : static_cast<char>(byte);
        at += used;
    }
    *cp1252 = converted;
    return 1;
}

std::string Windows1252ToUtf8(const char* text) {
    std::string utf8;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        AppendUtf8(Windows1252ToUtf16Unit(*p), &utf8);
    }
    return utf8;
}

uint16_t Windows1252ToUtf16Unit(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] != kNone) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

int Utf16UnitToWindows1252(uint16_t unit) {
    if (unit >= 0x80 && unit < 0xA0) {
        // A C1 control stands for its byte only where Windows-1252 leaves
        // that byte unassigned.
        return kHighControls[unit - 0x80] == kNone ? unit : -1;
    }
    return ByteOf(unit);
}

size_t Windows1252ToUtf16(const char* text, char16_t* out, size_t capacity) {
    size_t count = 0;
    while (text[count] != '\0' && count + 1 < capacity) {
        out[count] = static_cast<char16_t>(Windows1252ToUtf16Unit(static_cast<unsigned char>(text[count])));
        ++count;
    }
    out[count] = u'\0';
    return count;
}

std::u16string Windows1252ToUtf16(const char* text) {
    std::u16string wide(std::strlen(text) + 1, u'\0');
    Windows1252ToUtf16(text, &wide[0], wide.size());
    wide.pop_back();
    return wide;
}

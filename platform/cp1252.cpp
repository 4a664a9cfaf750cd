#include "platform/cp1252.h"

#include <cstdint>

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

// Decodes one UTF-8 sequence at text[0..length); returns its length, or 0
// when it is malformed, overlong, a surrogate or above U+10FFFF.
size_t DecodeUtf8(const unsigned char* text, size_t length, uint32_t* character) {
    unsigned char lead = text[0];
    if (lead < 0x80) {
        *character = lead;
        return 1;
    }
    size_t count = 0;
    uint32_t value = 0;
    uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        count = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        count = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        count = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (count > length) return 0;
    for (size_t i = 1; i < count; ++i) {
        if ((text[i] & 0xC0) != 0x80) return 0;
        value = value << 6 | (text[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *character = value;
    return count;
}

}  // namespace

int Utf8ToWindows1252(const char* utf8, size_t length, std::string* cp1252,
                      NameProblem* problem, size_t* offset) {
    const unsigned char* text = reinterpret_cast<const unsigned char*>(utf8);
    std::string converted;
    converted.reserve(length);
    size_t at = 0;
    while (at < length) {
        uint32_t character = 0;
        size_t used = DecodeUtf8(text + at, length - at, &character);
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

std::string Windows1252ToUtf8(const char* text) {
    std::string utf8;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        uint32_t character = Windows1252ToUtf16Unit(*p);
        if (character < 0x80) {
            utf8.push_back(static_cast<char>(character));
        } else if (character < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | character >> 6));
            utf8.push_back(static_cast<char>(0x80 | (character & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xE0 | character >> 12));
            utf8.push_back(static_cast<char>(0x80 | (character >> 6 & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (character & 0x3F)));
        }
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

#include "ui/tty/show.h"

#include <cstdint>
#include <cstdio>

#include "platform/cp1252.h"

namespace {

std::string Escape(const char* format, uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The length of the valid UTF-8 sequence at text[i] and its code point, or
// 0 when the bytes there are not one.
size_t DecodeAt(const std::string& text, size_t i, uint32_t* point) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                  : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = value << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and points beyond Unicode are not UTF-8.
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || (value >= 0xD800 && value < 0xE000) || value > 0x10FFFF) return 0;
    *point = value;
    return length;
}

bool Steers(uint32_t point) {
    return point < 0x20 || (point >= 0x7F && point < 0xA0) || point == 0x200E || point == 0x200F ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069) ||
           point == 0x2028 || point == 0x2029;
}

}  // namespace

std::string ShowName(const std::string& utf8) {
    std::string shown;
    for (size_t i = 0; i < utf8.size();) {
        uint32_t point = 0;
        size_t length = DecodeAt(utf8, i, &point);
        if (length == 0) {
            shown += Escape("\\x%02x", static_cast<unsigned char>(utf8[i]));
            ++i;
            continue;
        }
        if (Steers(point)) {
            shown += Escape(point < 0x80 ? "\\x%02x" : "\\u%04x", point);
        } else {
            shown.append(utf8, i, length);
        }
        i += length;
    }
    return shown;
}

std::string ShowText(const std::string& cp1252) {
    std::string plain;
    for (size_t i = 0; i < cp1252.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(cp1252[i]);
        if (c == '\r' && i + 1 < cp1252.size() && cp1252[i + 1] == '\n') continue;
        bool unassigned = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        if (c == '\n' || (c >= 0x20 && c != 0x7F && !unassigned)) {
            plain += static_cast<char>(c);
        } else {
            plain += Escape("\\x%02x", c);
        }
    }
    return Windows1252ToUtf8(plain.c_str());
}

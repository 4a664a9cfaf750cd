#include "text/show.h"

#include <cstdint>
#include <cstdio>

#include "text/cp1252.h"
#include "text/unicode.h"

namespace {

std::string Escape(const char* format, uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Characters a terminal acts on rather than shows: the controls, and those
// that reorder or break a line (marks, embeddings, overrides, isolates, the
// line and paragraph separators).
bool Steers(uint32_t point) {
    return point < 0x20 || (point >= 0x7F && point < 0xA0) || point == 0x200E || point == 0x200F ||
           (point >= 0x2028 && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

}  // namespace

std::string ShowName(const std::string& utf8) {
    std::string shown;
    for (size_t i = 0; i < utf8.size();) {
        uint32_t point = 0;
        size_t length = DecodeUtf8(utf8.data() + i, utf8.size() - i, &point);
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
        // The bytes Windows-1252 leaves unassigned keep their own number.
        bool unassigned = c >= 0x80 && c < 0xA0 && Windows1252ToUtf16Unit(c) == c;
        if (c == '\n' || (c >= 0x20 && c != 0x7F && !unassigned)) {
            plain += static_cast<char>(c);
        } else {
            plain += Escape("\\x%02x", c);
        }
    }
    return Windows1252ToUtf8(plain.c_str());
}

#include "text/show.h"

#include <cstdint>
#include <cstdio>

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

std::string ShowText(const std::string& utf8) {
    std::string shown;
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find('\n', start);
        if (end == std::string::npos) {
            shown += ShowName(utf8.substr(start));
            break;
        }
        size_t cut = end > start && utf8[end - 1] == '\r' ? end - 1 : end;
        shown += ShowName(utf8.substr(start, cut - start)) + "\n";
        start = end + 1;
    }
    return shown;
}

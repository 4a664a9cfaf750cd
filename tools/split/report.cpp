#include "tools/split/report.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "tools/split/os.h"

namespace {

// Whether a progress line is on the terminal and must be ended first.
bool g_progressShown = false;

// The length of the valid UTF-8 sequence at text[at] and its code point;
// 0 for a byte that starts none (a stray continuation, an overlong form, a
// surrogate, a code point beyond U+10FFFF, a sequence cut short).
size_t DecodeUtf8(const std::string& text, size_t at, uint32_t* code) {
    uint8_t lead = static_cast<uint8_t>(text[at]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF               ? 3
                    : lead >= 0xF0 && lead <= 0xF4               ? 4
                                                                 : 0;
    if (length == 0 || text.size() - at < length) return 0;
    uint32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
    for (size_t k = 1; k < length; ++k) {
        uint8_t next = static_cast<uint8_t>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if ((length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) ||
        (length == 4 && (value < 0x10000 || value > 0x10FFFF))) {
        return 0;
    }
    *code = value;
    return length;
}

// Characters a terminal acts on rather than shows.
bool IsControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x200E || code == 0x200F ||
           (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string ShowName(const std::string& name) {
    std::string shown;
    char escape[8];
    for (size_t at = 0; at < name.size();) {
        uint32_t code = 0;
        size_t length = DecodeUtf8(name, at, &code);
        if (length == 0) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<uint8_t>(name[at]));
            shown += escape;
            at += 1;
            continue;
        }
        if (IsControl(code)) {
            std::snprintf(escape, sizeof escape, code < 0x80 ? "\\x%02x" : "\\u%04x",
                          static_cast<unsigned>(code));
            shown += escape;
        } else {
            shown.append(name, at, length);
        }
        at += length;
    }
    return shown;
}

void Report(const char* format, ...) {
    std::string line = g_progressShown ? "\nvantorel-split: " : "vantorel-split: ";
    g_progressShown = false;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        std::vector<char> text(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        line.append(text.data(), static_cast<size_t>(length));
    }
    va_end(again);
    OsWriteText(OsStream::Error, line + "\n");
}

void ShowProgress(const std::string& name, uint64_t done, uint64_t total, int* shown) {
    int percent = static_cast<int>(done * 100 / total);
    if (percent == *shown) return;
    *shown = percent;
    char figure[8];
    std::snprintf(figure, sizeof figure, "%3d%%", percent);
    OsWriteText(OsStream::Error, "\rcutting " + ShowName(name) + ": " + figure);
    g_progressShown = true;
}

void ClearProgress(const std::string& name) {
    OsWriteText(OsStream::Error, "\r" + std::string(ShowName(name).size() + 14, ' ') + "\r");
    g_progressShown = false;
}

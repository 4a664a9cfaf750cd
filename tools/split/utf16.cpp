#include "tools/split/utf16.h"

#include <cstdint>

namespace {

bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

std::string Utf16ToUtf8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            uint32_t low = text[++i];
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(unit, &out);
    }
    return out;
}

size_t DecodeUtf8Sequence(const std::string& text, size_t at, uint32_t* code) {
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
    // Overlong forms and code points beyond Unicode.
    if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF))) {
        return 0;
    }
    *code = value;
    return length;
}

int Utf8ToUtf16(const std::string& text, std::u16string* utf16) {
    std::u16string out;
    out.reserve(text.size());
    bool lastWasHigh = false;  // the previous sequence was a lone high surrogate
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        size_t length = DecodeUtf8Sequence(text, i, &code);
        if (length == 0) return 0;
        // A high and a low surrogate in a row would read back as the one
        // character they encode: that text has another, proper form.
        if (lastWasHigh && IsLowSurrogate(code)) return 0;
        lastWasHigh = IsHighSurrogate(code);
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    utf16->swap(out);
    return 1;
}

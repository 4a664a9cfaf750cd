#include "text/unicode.h"

#include <cstring>

namespace {

bool IsSurrogate(uint32_t code) { return code >= 0xD800 && code <= 0xDFFF; }
bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

size_t DecodeUtf8(const char* text, size_t length, uint32_t* code, Surrogates surrogates) {
    uint8_t lead = static_cast<uint8_t>(text[0]);
    // C0 and C1 would only begin overlong forms, F5 and above code points
    // beyond Unicode.
    size_t count = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                   : lead >= 0xE0 && lead <= 0xEF               ? 3
                   : lead >= 0xF0 && lead <= 0xF4               ? 4
                                                                : 0;
    if (count == 0 || length < count) return 0;
    uint32_t value = count == 1 ? lead : lead & (0x7Fu >> count);
    for (size_t k = 1; k < count; ++k) {
        uint8_t next = static_cast<uint8_t>(text[k]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    // Overlong forms and code points beyond Unicode.
    if ((count == 3 && value < 0x800) || (count == 4 && (value < 0x10000 || value > 0x10FFFF))) {
        return 0;
    }
    if (surrogates == Surrogates::Refused && IsSurrogate(value)) return 0;
    *code = value;
    return count;
}

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

int Utf8ToUtf16(const std::string& text, std::u16string* utf16) {
    std::u16string out;
    out.reserve(text.size());
    bool lastWasHigh = false;  // the previous sequence was a lone high surrogate
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        size_t length = DecodeUtf8(text.data() + i, text.size() - i, &code, Surrogates::Carried);
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

size_t Utf8ToUtf16Prefix(const char* text, char16_t* out, size_t capacity, int* exact) {
    size_t length = std::strlen(text);
    size_t at = 0;
    size_t units = 0;
    int clean = 1;
    while (at < length) {
        uint32_t code = 0;
        size_t used = DecodeUtf8(text + at, length - at, &code, Surrogates::Carried);
        bool invalid = used == 0;
        if (invalid) {
            code = 0xFFFD;
            used = 1;
        }
        size_t needed = code >= 0x10000 ? 2 : 1;
        if (units + needed > capacity - 1) break;
        if (code >= 0x10000) {
            code -= 0x10000;
            out[units++] = static_cast<char16_t>(0xD800 + (code >> 10));
            out[units++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out[units++] = static_cast<char16_t>(code);
        }
        if (invalid) clean = 0;
        at += used;
    }
    out[units] = u'\0';
    if (exact != nullptr) *exact = clean;
    return at;
}

// The checksum kinds, in one table: the code stamped into the join record,
// the splitter's name for it on its command line, the name shown to users
// (the engine's m_name) and the length of its digest. Everything that knows
// a kind reads it here: the option parser and the help, the recognition of
// a stamped record, the longest digest text the joiner keeps, the summary
// and selvanore-hashsum.
#ifndef SELVANORE_HASH_CHECKSUM_KINDS_H
#define SELVANORE_HASH_CHECKSUM_KINDS_H

#include <cstdint>
#include <cstring>

// Codes of the checksum kinds stamped into the join record.
enum ChecksumKind : uint32_t {
    CHECKSUM_NONE = 0,
    CHECKSUM_MD5 = 1,
    CHECKSUM_SHA1 = 2,
    CHECKSUM_SHA224 = 3,
    CHECKSUM_SHA256 = 4,
};

struct ChecksumKindInfo {
    uint32_t kind;
    const char* option;   // as --checksum takes it
    const char* display;  // as messages, reports and summaries show it
    uint32_t digestSize;  // bytes; the digest text has twice as many hexadecimal digits
};

// Every kind, in the order of their codes (the table's index is the code).
inline constexpr ChecksumKindInfo kChecksumKinds[] = {
    {CHECKSUM_NONE, "none", "none", 0},
    {CHECKSUM_MD5, "md5", "MD5", 16},
    {CHECKSUM_SHA1, "sha1", "SHA-1", 20},
    {CHECKSUM_SHA224, "sha224", "SHA-224", 28},
    {CHECKSUM_SHA256, "sha256", "SHA-256", 32},
};
inline constexpr uint32_t kChecksumKindCount = sizeof kChecksumKinds / sizeof kChecksumKinds[0];

// The entry of a code, or null for a code no kind has.
inline constexpr const ChecksumKindInfo* FindChecksumKind(uint32_t kind) {
    return kind < kChecksumKindCount ? &kChecksumKinds[kind] : nullptr;
}

// The entry a user's name for a kind names: its option name or its display
// name, in any case ("sha256", "SHA-256", "Sha-256", "MD5", "None"), or null
// for anything else ("sha 256", "sha--256", "md-5"). Front ends that take a
// kind from users read it here.
inline const ChecksumKindInfo* FindChecksumName(const char* text) {
    auto sameLetters = [](const char* a, const char* b) {
        for (; *a != '\0' && *b != '\0'; ++a, ++b) {
            char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a - 'A' + 'a') : *a;
            char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b - 'A' + 'a') : *b;
            if (x != y) return false;
        }
        return *a == *b;
    };
    for (const ChecksumKindInfo& info : kChecksumKinds) {
        if (sameLetters(text, info.option) || sameLetters(text, info.display)) return &info;
    }
    return nullptr;
}

// The number of hexadecimal digits of the longest digest text.
inline constexpr uint32_t kLongestDigestText = [] {
    uint32_t longest = 0;
    for (const ChecksumKindInfo& info : kChecksumKinds) {
        if (2 * info.digestSize > longest) longest = 2 * info.digestSize;
    }
    return longest;
}();

#endif

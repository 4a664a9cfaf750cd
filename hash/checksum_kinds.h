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

// The entry whose option name is text exactly, or null.
inline const ChecksumKindInfo* FindChecksumOption(const char* text) {
    for (const ChecksumKindInfo& info : kChecksumKinds) {
        if (std::strcmp(text, info.option) == 0) return &info;
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

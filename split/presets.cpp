#include "split/presets.h"


namespace {

const uint64_t kKiB = 1024;
const uint64_t kMiB = kKiB * 1024;
const uint64_t kGiB = kMiB * 1024;

// Mail services limit a message to 10 or 25 MB (taken as the smaller
// reading, 10,000,000 and 25,000,000 bytes) of encoded text. A part of
// 6.5 MiB encodes to 9,326,810 bytes and one of 17 MiB to 24,393,192: each
// leaves more than half a megabyte for the headers and the message.
const uint64_t kMail10 = 10000000;
const uint64_t kMail25 = 25000000;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(const char* word, const char* name) {
    for (; *word != '\0' && Lower(*word) == *name; ++word, ++name) {
    }
    return *word == '\0' && *name == '\0';
}

}  // namespace

const CutPreset kCutPresets[kCutPresetCount] = {
    {"mail10", 13 * kMiB / 2, kMail10},  // mail, attachments of 10 MB
    {"mail25", 17 * kMiB, kMail25},      // mail, attachments of 25 MB
    {"cd", 700 * kMiB, 0},               // a CD
    {"dvd", 4700000000u, 0},             // a single-layer DVD
    {"fat32", 4 * kGiB - 1, 0},          // a FAT32 disk's largest file
};

const CutPreset* FindCutPreset(const char* word) {
    for (const CutPreset& preset : kCutPresets) {
        if (SameWord(word, preset.name)) return &preset;
    }
    return nullptr;
}

uint64_t MailEncodedSize(uint64_t size) {
    uint64_t characters = (size + 2) / 3 * 4;
    uint64_t lines = (characters + 75) / 76;
    return characters + 2 * lines;
}

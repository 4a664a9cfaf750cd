// The part sizes people send by: mail attachments of 10 and 25 MB, a CD, a
// DVD, a FAT32 disk. One table for the splitter's window, which lists them,
// and its command line, which takes their names as sizes ("-b mail25").
#ifndef SELVANORE_SPLIT_PRESETS_H
#define SELVANORE_SPLIT_PRESETS_H

#include <cstddef>
#include <cstdint>

struct CutPreset {
    const char* name;  // the command line's word for it
    uint64_t partSize;
    // The attachment limit of a mail service the size is chosen for, in
    // bytes as the services count them (after the base64 encoding); 0 for
    // none.
    uint64_t mailLimit;
};

// The presets, in the order the window and the help list them; the first
// is the window's default.
const size_t kCutPresetCount = 5;
extern const CutPreset kCutPresets[kCutPresetCount];

// The preset a word names (its name, in any case), or null.
const CutPreset* FindCutPreset(const char* word);

// The bytes a mail service counts for an attachment of size bytes: base64
// (4 characters for every 3 bytes or fewer) in lines of 76 characters, each
// ended by CR LF. The mail's headers and text come on top.
uint64_t MailEncodedSize(uint64_t size);

#endif

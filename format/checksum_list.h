// The checksum list of a set, NAME.sha256, beside its parts: a line for each
// part and a last line for the whole file, in the format that `sha256sum -c`
// and `shasum -a 256 -c` read: 64 lower-case hexadecimal digits, two spaces,
// the file's name and a line feed. With it a recipient checks the parts
// before joining them, names the damaged one, and checks a file joined with
// no program of ours (cat, copy /b). Names are UTF-8, as the recipient's
// file system names them; a set's names hold no backslash and no line
// break, so no line needs the escapes sha256sum uses for those.
#ifndef SELVANORE_FORMAT_CHECKSUM_LIST_H
#define SELVANORE_FORMAT_CHECKSUM_LIST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The list's file name for the set of the file name ("video.mkv.sha256").
std::string ChecksumListName(const std::string& name);

// One line of a list: the digest text and the file's name.
std::string ChecksumListLine(const std::string& digest, const std::string& fileName);

struct ChecksumList {
    std::string name;                      // the whole file's, the set's name
    std::string digest;                    // the whole file's SHA-256
    std::vector<std::string> partDigests;  // part i's SHA-256
};

enum class ListProblem {
    None,
    NotALine,     // a line that is not a digest, a separator and a name
    TooFewParts,  // fewer than two part lines before the whole file's
    TooManyParts,
    NotTheParts,  // a part line that is not the set's next part
};

// Reads a list as the splitter writes it: the parts in order, each named by
// the set's rule after the last line's name, then the whole file. Lines may
// end in a carriage return and a line feed, the last one without; a name
// may follow "*" instead of a space (sha256sum's binary mark); upper-case
// digits are read as lower-case. Returns 0 with the problem and the number
// of the line (from 1) that shows it.
int ParseChecksumList(const std::string& text, ChecksumList* list, ListProblem* problem,
                      size_t* line);

#endif

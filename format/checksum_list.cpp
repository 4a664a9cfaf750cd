#include "format/checksum_list.h"

#include "format/part_name.h"
#include "format/record_layout.h"
#include "hash/checksum_kinds.h"

namespace {

// The digest text of a SHA-256, the list's one kind.
const size_t kDigestLength = 2 * FindChecksumKind(CHECKSUM_SHA256)->digestSize;

struct Entry {
    std::string digest;
    std::string name;
};

// "HEX  NAME" or "HEX *NAME", the line end already taken off.
bool ParseLine(const std::string& line, Entry* entry) {
    if (line.size() < kDigestLength + 3) return false;
    std::string digest = line.substr(0, kDigestLength);
    for (char& c : digest) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    if (line[kDigestLength] != ' ' || (line[kDigestLength + 1] != ' ' && line[kDigestLength + 1] != '*')) {
        return false;
    }
    entry->digest = digest;
    entry->name = line.substr(kDigestLength + 2);
    return true;
}

int Refuse(ListProblem why, size_t at, ListProblem* problem, size_t* line) {
    *problem = why;
    *line = at;
    return 0;
}

}  // namespace

std::string ChecksumListName(const std::string& name) { return name + ".sha256"; }

std::string ChecksumListLine(const std::string& digest, const std::string& fileName) {
    return digest + "  " + fileName + "\n";
}

int ParseChecksumList(const std::string& text, ChecksumList* list, ListProblem* problem,
                      size_t* line) {
    std::vector<Entry> entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string content = text.substr(start, end - start);
        if (!content.empty() && content.back() == '\r') content.pop_back();
        Entry entry;
        if (!ParseLine(content, &entry)) {
            return Refuse(ListProblem::NotALine, entries.size() + 1, problem, line);
        }
        entries.push_back(entry);
        start = end + 1;
    }
    if (entries.size() < 3) return Refuse(ListProblem::TooFewParts, entries.size(), problem, line);
    uint32_t count = static_cast<uint32_t>(entries.size() - 1);
    if (entries.size() - 1 > kMaxPartCount) {
        return Refuse(ListProblem::TooManyParts, entries.size(), problem, line);
    }
    const std::string& name = entries.back().name;
    for (uint32_t i = 0; i < count; ++i) {
        char suffix[kSuffixCapacity];
        FormatPartSuffix(count, i, suffix);
        if (entries[i].name != name + suffix) {
            return Refuse(ListProblem::NotTheParts, i + 1, problem, line);
        }
    }
    list->name = name;
    list->digest = entries.back().digest;
    list->partDigests.clear();
    for (uint32_t i = 0; i < count; ++i) list->partDigests.push_back(entries[i].digest);
    *problem = ListProblem::None;
    *line = 0;
    return 1;
}

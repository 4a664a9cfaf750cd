#include "join/descriptor.h"

#include <cstring>
#include <string>

#include "format/name_record.h"
#include "hash/checksum_kinds.h"
#include "hash/hash.h"
#include "join/join_state.h"
#include "platform/platform.h"

namespace {

// The output name in UTF-8, as the job uses it: the name record's exact
// name, or the record's own converted.
char g_outputName[kNameTextField];

}  // namespace

int LoadDescriptor() {
    const uint8_t* bytes = GetOwnRecord();
    if (bytes == nullptr) return 0;

    JoinRecord record;
    DecodeRecord(bytes, &record);
    // The texts are read where they lie in the record, within their fields:
    // the name must be terminated inside its own (below), which a decoded
    // copy, always terminated, could not tell.
    g_join.expectedChecksum = reinterpret_cast<const char*>(bytes + kChecksumTextOffset);
    g_join.expectedSize = record.expectedSize;
    g_join.partCount = record.partCount;
    g_outputName[0] = '\0';
    g_join.outputName = g_outputName;
    g_join.engine = nullptr;

    // A set has at most kMaxPartCount parts: a forged count would keep the
    // survey busy for weeks.
    if (g_join.partCount > kMaxPartCount) return 0;
    // The name is read as text, and nothing follows its field: a record that
    // names parts must terminate it inside the field. It names a file of the
    // parts' folder and nowhere else: no path, no drive, no name that
    // Windows would turn into another. (The unstamped template has no
    // terminator, but names no parts, so its name is never read.)
    // The exact name comes from the name record beside the record when it
    // belongs to it (ExactOutputName), and must be a plain name as well.
    std::string name;
    if (ExactOutputName(bytes, GetOwnNameRecord(), &name)) {
        std::memcpy(g_outputName, name.c_str(), name.size() + 1);
    } else if (g_join.partCount >= 2) {
        return 0;
    }

    if (record.checksumKind == CHECKSUM_NONE) return 1;
    if (FindChecksumKind(record.checksumKind) == nullptr) return 0;
    g_join.engine = CreateHashEngine(record.checksumKind);
    return g_join.engine != nullptr;
}

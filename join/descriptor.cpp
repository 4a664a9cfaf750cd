#include "join/descriptor.h"

#include "hash/checksum_kinds.h"
#include "hash/hash.h"
#include "join/join_state.h"
#include "platform/platform.h"

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
    g_join.outputName = reinterpret_cast<const char*>(bytes + kOutputNameOffset);
    g_join.engine = nullptr;

    // A set has at most kMaxPartCount parts: a forged count would keep the
    // survey busy for weeks.
    if (g_join.partCount > kMaxPartCount) return 0;
    // The name is read as text, and nothing follows its field: a record that
    // names parts must terminate it inside the field. It names a file of the
    // parts' folder and nowhere else: no path, no drive, no name that
    // Windows would turn into another. (The unstamped template has no
    // terminator, but names no parts, so its name is never read.)
    if (g_join.partCount >= 2 && !IsPlainOutputName(g_join.outputName)) return 0;

    if (record.checksumKind == CHECKSUM_NONE) return 1;
    if (FindChecksumKind(record.checksumKind) == nullptr) return 0;
    g_join.engine = CreateHashEngine(record.checksumKind);
    return g_join.engine != nullptr;
}

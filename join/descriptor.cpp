#include "join/descriptor.h"

#include "hash/bytes.h"
#include "hash/hash.h"
#include "join/join_state.h"
#include "platform/platform.h"

int LoadDescriptor() {
    const uint8_t* record = GetOwnRecord();
    if (record == nullptr) return 0;

    uint32_t kind = LoadLittle32(record + kChecksumKindOffset);
    g_join.expectedChecksum = reinterpret_cast<const char*>(record + kChecksumTextOffset);
    g_join.expectedSize = LoadLittle64(record + kExpectedSizeOffset);
    g_join.partCount = LoadLittle32(record + kPartCountOffset);
    g_join.outputName = reinterpret_cast<const char*>(record + kOutputNameOffset);
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

    if (kind == CHECKSUM_NONE) return 1;
    if (kind > CHECKSUM_SHA256) return 0;
    g_join.engine = CreateHashEngine(kind);
    return g_join.engine != nullptr;
}

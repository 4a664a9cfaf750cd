#include "join/completion.h"

#include <cctype>
#include <cstring>

#include "hash/hash.h"
#include "join/join_state.h"
#include "format/record_layout.h"
#include "text/text.h"
#include "platform/platform.h"

bool InputSizesMatch() { return g_join.inputTotal == g_join.expectedSize; }

JoinVerdict JudgeJoin() {
    JoinVerdict verdict = {};
    if (CHash* engine = g_join.engine) {
        engine->GetDigestText(verdict.digest);
        // Exact, terminator included, and never beyond the record's field:
        // the digest ends within it, so equal texts end at the same place.
        verdict.valid = std::strncmp(verdict.digest, g_join.expectedChecksum, kChecksumTextField) == 0;
    } else {
        verdict.valid = g_join.progressDone == g_join.expectedSize && g_join.changedPart == 0;
        for (uint32_t i = 0; verdict.valid && i < g_join.partCount; ++i) {
            if (PartFailedItsCheck(i)) verdict.valid = false;
        }
    }
    return verdict;
}

bool PartFailedItsCheck(uint32_t index) {
    return g_join.partChecks != nullptr && index < g_join.partCheckCount &&
           g_join.partChecks[index].failed != 0;
}

namespace {

// How long a file in use or a refusal is tried again before it counts.
const uint32_t kRetryPause = 100;
const uint32_t kRetryCount = 20;

bool Transient(Placement placement) {
    return placement == Placement::InUse || placement == Placement::Denied;
}

}  // namespace

PlacementResult PublishOutput(const FileIdentity* agreed) {
    PlacementResult result{};
    for (uint32_t attempt = 0; attempt <= kRetryCount; ++attempt) {
        if (attempt != 0) SleepMilliseconds(kRetryPause);
        result = PublishJoinedFile(g_join.joinedFile, g_join.tempName, g_join.outputName, agreed);
        if (!Transient(result.placement)) break;
    }
    return result;
}

PlacementResult PublishOutputAs(const char* name) {
    return PublishJoinedFile(g_join.joinedFile, g_join.tempName, name, nullptr);
}

PlacementResult KeepOutputAsTemporary() { return KeepJoinedFile(g_join.joinedFile, g_join.tempName); }

int ReleaseOutput() {
    if (g_join.joinedFile == nullptr) return 1;
    FileHandle file = g_join.joinedFile;
    g_join.joinedFile = nullptr;
    return DiscardJoinedFile(file, g_join.tempName);
}

int FormatOwnName(const char* output, uint32_t n, char (&name)[kNameCapacity]) {
    // The extension begins at the last full stop, unless the name begins there.
    size_t length = std::strlen(output);
    size_t dot = length;
    for (size_t i = length; i > 1; --i) {
        if (output[i - 1] == '.') {
            dot = i - 1;
            break;
        }
    }
    return FormatText(name, sizeof name, "%.*s (%u)%s", static_cast<int>(dot), output, n, output + dot) ==
           TextResult::Ok;
}

bool RoomForOutput(uint64_t* free) {
    return !FreeBytesBeside(g_join.outputName, free) || *free >= g_join.inputTotal;
}

namespace {

struct LeftoverSearch {
    void (*visit)(void*, const char*, uint64_t);
    void* context;
};

void VisitLeftover(void* context, const char* name, uint64_t size) {
    // Exactly the joiner's names: 16 lower-case hexadecimal digits.
    const char prefix[] = "~selvanore-";
    size_t length = std::strlen(name);
    if (length != sizeof prefix - 1 + 16 + 4) return;
    for (size_t i = sizeof prefix - 1; i < sizeof prefix - 1 + 16; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) || std::isupper(static_cast<unsigned char>(name[i]))) return;
    }
    const LeftoverSearch* search = static_cast<const LeftoverSearch*>(context);
    search->visit(search->context, name, size);
}

}  // namespace

void FindLeftovers(void (*visit)(void* context, const char* name, uint64_t size), void* context) {
    LeftoverSearch search{visit, context};
    FindNames("~selvanore-", ".tmp", VisitLeftover, &search);
}

int DeletePart(uint32_t index, char (&name)[kNameCapacity]) {
    // A cut name names another file: never delete it.
    return PartName(index, name) && DeleteNamedFile(name);
}

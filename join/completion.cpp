#include "join/completion.h"

#include <cstring>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/record_layout.h"
#include "join/text.h"
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

int PublishOutput(bool replace) {
    return RenameFile(g_join.tempName, g_join.outputName, replace ? 1 : 0);
}

int DeleteOutput() { return DeleteNamedFile(g_join.tempName); }

int DeletePart(uint32_t index, char (&name)[kNameCapacity]) {
    // A cut name names another file: never delete it.
    return PartName(index, name) && DeleteNamedFile(name);
}

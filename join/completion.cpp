#include "join/completion.h"

#include <cstring>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/record_layout.h"
#include "join/sink.h"
#include "join/text.h"
#include "platform/platform.h"

namespace {

// Shows the box for a file that could not be deleted.
void ReportUndeletable(const char* name) {
    char message[kMessageCapacity];
    FormatText(message, sizeof message, "Imposible suprimir el archivo :\n\"%s\"", name);
    ShowMessageBox(g_join.dialogWindow, message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
}

}  // namespace

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
    }
    return verdict;
}

int PublishOutput(bool replace) {
    return RenameFile(g_join.tempName, g_join.outputName, replace ? 1 : 0);
}

int DeleteOutput() {
    if (DeleteNamedFile(g_join.tempName)) return 1;
    ReportUndeletable(g_join.tempName);
    return 0;
}

void DeleteInputs() {
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        char name[kNameCapacity];
        // A cut name names another file: never delete it.
        if (!PartName(i, name) || !DeleteNamedFile(name)) ReportUndeletable(name);
    }
}

#include "join/survey.h"

#include <cstring>
#include <new>

#include "hash/hash.h"
#include "join/completion.h"
#include "join/descriptor.h"
#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/sink.h"
#include "text/text.h"
#include "platform/platform.h"

namespace {

// The transfer buffer's last size tried.
const uint32_t kSmallestBuffer = 16u << 10;

// Adds the size of part index to inputTotal and remembers it; returns 0 when
// the part cannot be opened, measured or closed.
int SurveyPart(uint32_t index) {
    char name[kNameCapacity];
    // A cut name names another file: count the part as unreadable.
    if (!PartName(index, name)) return 0;
    FileHandle file = OpenPartFile(name);
    if (file == nullptr) return 0;
    uint64_t size = 0;
    if (!GetFileSize64(file, &size)) {
        CloseFile(file);
        return 0;
    }
    if (!CloseFile(file)) return 0;
    g_join.inputTotal += size;
    g_join.partSizes[index] = size;
    return 1;
}

// Allocates the largest transfer buffer it can, halving from 2 MiB down to
// 16 KiB; shows "Memoria insuficiente." and returns 0 when none can be had.
int SizeTransferBuffer() {
    for (uint32_t size = kLargestBuffer; size >= kSmallestBuffer; size /= 2) {
        g_join.bufferSize = size;
        g_join.transferBuffer = static_cast<uint8_t*>(AllocateFixed(size));
        if (g_join.transferBuffer != nullptr) return 1;
    }
    ShowMessageBox(nullptr, "Memoria insuficiente.", TITLE_ERROR, BOX_OK);
    return 0;
}

}  // namespace

int PrepareJob() {
    if (!LoadDescriptor()) return 0;

    // At most kMaxPartCount entries: the record was refused above that.
    if (g_join.partCount > 0) {
        g_join.partSizes = new (std::nothrow) uint64_t[g_join.partCount]();
        if (g_join.partSizes == nullptr) return 0;
    }
    // A list of other parts would be read beyond its end.
    if (g_join.partChecks != nullptr && g_join.partCheckCount != g_join.partCount) return 0;
    g_join.inputTotal = 0;
    g_join.unreadableCount = 0;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (SurveyPart(i)) continue;
        ++g_join.unreadableCount;
        if (g_join.partChecks != nullptr) g_join.partChecks[i].unreadable = 1;
    }

    // Recovery data beside the parts: which parts are missing or damaged,
    // and whether they can be rebuilt.
    if (!SurveyRecovery()) return 0;

    if (!SizeTransferBuffer()) return 0;
    // Only a checksum has work for a second buffer; without one the join
    // goes on with a single buffer, as it would without a helper thread.
    if (g_join.engine != nullptr || g_join.partEngine != nullptr) {
        g_join.spareBuffer = static_cast<uint8_t*>(AllocateFixed(g_join.bufferSize));
    }
    // Without the event a pause could never be resumed, and without the
    // brush the report box could not be drawn: both end the start-up.
    g_join.pauseEvent = CreateManualEvent();
    if (g_join.pauseEvent == nullptr) return 0;
    g_join.reportBrush = CreateReportBrush();
    return g_join.reportBrush != nullptr;
}

void ReleaseJob() {
    // A joined file no closing handler took (the program ends otherwise).
    ReleaseOutput();
    delete g_join.engine;
    g_join.engine = nullptr;
    delete[] g_join.partSizes;
    g_join.partSizes = nullptr;
    if (g_join.transferBuffer != nullptr) FreeFixed(g_join.transferBuffer);
    g_join.transferBuffer = nullptr;
    if (g_join.spareBuffer != nullptr) FreeFixed(g_join.spareBuffer);
    g_join.spareBuffer = nullptr;
    if (g_join.pauseEvent != nullptr) CloseEvent(g_join.pauseEvent);
    g_join.pauseEvent = nullptr;
    if (g_join.reportBrush != nullptr) DeleteReportBrush(g_join.reportBrush);
    g_join.reportBrush = nullptr;
    delete[] g_join.partChecks;
    g_join.partChecks = nullptr;
    g_join.partCheckCount = 0;
    delete g_join.partEngine;
    g_join.partEngine = nullptr;
    ReleaseRecovery();
}

int UsePartChecksums(const std::vector<std::string>& digests) {
    const uint32_t length = 2 * FindChecksumKind(CHECKSUM_SHA256)->digestSize;
    if (digests.size() > kMaxPartCount) return 0;
    for (const std::string& digest : digests) {
        if (digest.size() != length) return 0;
    }
    PartCheck* checks = new (std::nothrow) PartCheck[digests.size()]();
    CHash* engine = CreateHashEngine(CHECKSUM_SHA256);
    if (checks == nullptr || engine == nullptr) {
        delete[] checks;
        delete engine;
        return 0;
    }
    for (size_t i = 0; i < digests.size(); ++i) {
        std::memcpy(checks[i].digest, digests[i].c_str(), length + 1);
    }
    delete[] g_join.partChecks;
    delete g_join.partEngine;
    g_join.partChecks = checks;
    g_join.partCheckCount = static_cast<uint32_t>(digests.size());
    g_join.partEngine = engine;
    return 1;
}

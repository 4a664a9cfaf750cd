// JoinState: the one process-wide record of the join job, shared by the
// user-interface thread and the worker. Zero at start.
#ifndef SELVANORE_JOIN_JOIN_STATE_H
#define SELVANORE_JOIN_JOIN_STATE_H

#include <cstdint>

#include "platform/platform.h"
#include "ui/view.h"

class CHash;

// Capacity of part names and report lines, terminator included.
const uint32_t kNameCapacity = 520;
// Capacity of the byte-count text.
const uint32_t kSizeTextCapacity = 32;

struct JoinState {
    // From the stamped record.
    const char* expectedChecksum;
    const char* outputName;
    uint32_t partCount;
    uint64_t expectedSize;
    CHash* engine;  // owned; null when no checksum is asked for

    // From the survey of the parts.
    uint64_t inputTotal;
    uint32_t unreadableCount;
    uint32_t bufferSize;
    uint8_t* transferBuffer;  // owned
    EventHandle pauseEvent;   // manual reset; the worker waits on it while paused
    ViewBrush reportBrush;    // white background of the report box

    // Output of the latest FormatSize.
    char sizeText[kSizeTextCapacity];
};

extern JoinState g_join;

#endif

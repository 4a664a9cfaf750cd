// The cut: copies the file into its parts.
#ifndef SELVANORE_TOOLS_SPLIT_CUT_H
#define SELVANORE_TOOLS_SPLIT_CUT_H

#include <cstddef>
#include <cstdint>

#include "hash/hash.h"
#include "tools/split/input.h"
#include "tools/split/job.h"
#include "tools/split/outputs.h"

// Size of the buffer CutParts reads and writes through.
const size_t kCutBufferSize = 4u << 20;

// Creates the parts in order and copies the file into them through buffer
// (kCutBufferSize bytes), feeding every byte to engine when given, and tells
// events of each block (SplitStage::Cutting) and of the end (Cut). Returns 0
// with *failure when a part cannot be made, the file changes (its size, or
// the times of its bytes and metadata since it was opened), or events.stop
// says so (SplitCause::Interrupted). Every part's file is closed on return.
int CutParts(Job* job, OutputSet* outputs, CHash* engine, uint8_t* buffer,
             const SplitEvents& events, SplitFailure* failure);

#endif

// The cut: copies the file into its parts.
#ifndef SELVANORE_SPLIT_CUT_H
#define SELVANORE_SPLIT_CUT_H

#include <cstddef>
#include <cstdint>

#include "split/job_state.h"
#include "split/outputs.h"
#include "split/sums.h"

// Size of the buffer CutParts reads and writes through.
const size_t kCutBufferSize = 4u << 20;

// Creates the parts in order and copies the file into them through buffer
// (kCutBufferSize bytes), summing every block and ending each part's sum
// (sums.h), and tells
// events of each block (SplitStage::Cutting) and of the end (Cut). Returns 0
// with *failure when a part cannot be made, the file changes (its size, or
// the times of its bytes and metadata since it was opened), or events.stop
// says so (SplitCause::Interrupted). Every part's file is closed on return.
int CutParts(Job* job, OutputSet* outputs, CutSums* sums, uint8_t* buffer,
             const SplitEvents& events, SplitFailure* failure);

#endif

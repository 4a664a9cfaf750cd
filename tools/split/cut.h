// The cut: copies the file into its parts.
#ifndef SELVANORE_TOOLS_SPLIT_CUT_H
#define SELVANORE_TOOLS_SPLIT_CUT_H

#include <cstddef>
#include <cstdint>

#include "hash/hash.h"
#include "tools/split/input.h"
#include "tools/split/outputs.h"

// Size of the buffer CutParts reads and writes through.
const size_t kCutBufferSize = 4u << 20;

// Creates the parts in order and copies the file into them through buffer
// (kCutBufferSize bytes), feeding every byte to engine when given. Shows
// progress on a terminal for a large file. Returns 0, the failure reported,
// when a part cannot be made, the file changes (its size, or the times of
// its bytes and metadata since it was opened), or an interruption
// arrives (OsInterrupted then tells).
int CutParts(Job* job, OutputSet* outputs, CHash* engine, uint8_t* buffer);

#endif

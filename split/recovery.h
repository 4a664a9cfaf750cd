// The recovery data written after the cut, in the PAR 2.0 format: NAME.par2
// (the main, file description, slice checksum and creator packets) and the
// recovery files NAME.volA+B.par2, each slice followed by the critical
// packets. The parts are the recovery set with one slice each (the largest
// part rounded up to a multiple of 4), so that R recovery slices rebuild any
// R missing or damaged parts.
//
// The recovery pass reads the parts back one block at a time, the same
// offset of every part in a round, and adds each block to the R recovery
// blocks of that offset (recovery/reed_solomon.h), which are then written at
// their places; the parts' MD5s and CRC-32s are taken from the same blocks.
// The work is shared by kind: the helper thread hashes the MD5s of a group
// of eight parts' blocks side by side (and the recovery blocks of the round
// before, for their packets), while the cutting thread reads the next group
// and takes the CRC-32s and the Reed-Solomon sums. Only the first 16 KiB MD5
// of each part is needed before the pass (it orders the slices) and is taken
// by the cut.
#ifndef SELVANORE_SPLIT_RECOVERY_H
#define SELVANORE_SPLIT_RECOVERY_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "recovery/par2_packets.h"
#include "split/job_state.h"
#include "split/outputs.h"

// The slice size of the job's set: its largest part rounded up to a
// multiple of 4.
uint64_t RecoverySliceSize(const SplitPlan& plan);

// The length of the block each part is read by in the recovery pass, for
// count recovery slices: the memory of the pass stays within a few MiB
// whatever the parts' size (the input blocks take the cut's buffer).
size_t RecoveryBlockSize(uint32_t count);

// Writes the recovery files (*files: the index, then the volumes, their
// temporary files already made by CreateRecoveryFiles) for the parts just
// cut, whose first 16 KiB MD5s are partStarts, reading the parts back
// through buffer (kCutBufferSize bytes). Tells events of each round
// (SplitStage::Recovering) and polls its stop before each. Returns 0 with
// *failure when a part cannot be read back or is no longer as cut, a
// recovery file cannot be written, or stop says so (the files are then
// closed by their owners, *files); on success every one is finished
// (FinishOutput) and *bytes is their total.
int WriteRecovery(const Job& job, const OutputSet& outputs, std::vector<SystemFile>* files,
                  const std::vector<Par2Hash>& partStarts,
                  uint8_t* buffer, const std::string& creator, const SplitEvents& events,
                  uint64_t* bytes, SplitFailure* failure);

#endif

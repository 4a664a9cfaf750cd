// The splitter's job as a front end drives it (the types are split/split.h):
// a run from a request to an outcome. Nothing here prints or exits: the
// command line turns the outcome into its English lines, the window into its
// Spanish boxes.
//
// Everything that can be checked is checked before the first byte is
// written. The outputs are written under temporary names and take their own
// names only once all are on disk, never replacing a file; a failure or a
// stop part way removes every output made, so a run leaves the whole set or
// nothing, and a run killed outright leaves no set that looks complete.
#ifndef SELVANORE_SPLIT_JOB_H
#define SELVANORE_SPLIT_JOB_H

#include "split/split.h"

// Checks everything, cuts the parts, writes the checksum list and the
// stamped joiner, gives every output its name and syncs the folder. Returns
// 1 with outcome->result and outcome->run; 0 with outcome->failure, nothing
// kept.
int RunSplit(const SplitRequest& request, SplitOutcome* outcome);

// The outputs stay: the outcome no longer removes them.
void KeepOutputs(SplitOutcome* outcome);

#endif

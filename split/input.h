// The input of a run: the file, its name and the cut.
#ifndef SELVANORE_SPLIT_INPUT_H
#define SELVANORE_SPLIT_INPUT_H

#include "split/job_state.h"

// Refuses a name Windows would not keep (names.h) first, then opens the
// file, plans the cut and converts the name for the record. Returns 0 with
// *failure when the run cannot go on.
int PrepareInput(const SplitRequest& request, Job* job, SplitFailure* failure);

#endif

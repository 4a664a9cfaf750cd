// All that concerns the joiner: where the default one lies, reading it,
// finding and classifying its record, the Windows joiner's long name, and
// the stamp.
#ifndef SELVANORE_SPLIT_JOINER_H
#define SELVANORE_SPLIT_JOINER_H

#include <string>

#include "format/record_layout.h"
#include "split/job_state.h"

// Reads the joiner, the request's or else the default one, finds its record
// and checks that it is the template or a stamped record. The default is
// taken only when the user or the administrator alone could have put it
// there (CheckTrusted); a joiner given is the user's choice and is not
// judged. Returns 0 with *failure when the run cannot go on.
int PrepareJoiner(const SplitRequest& request, Job* job, SplitFailure* failure);

// Whether the joiner is a Windows program whose name leaves little room for
// a folder (Windows starts no program whose path is longer than 260
// characters); *warning then says so.
int JoinerNameIsLong(const Job& job, SplitWarning* warning);

// Stamps the record into the joiner's bytes and checks that it reads back.
int StampJoiner(Job* job, const JoinRecord& record);

#endif

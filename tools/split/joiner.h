// The joiner: where the default one lies, reading it, finding and
// classifying its record, the Windows joiner's long-name warning and the
// stamp.
#ifndef SELVANORE_TOOLS_SPLIT_JOINER_H
#define SELVANORE_TOOLS_SPLIT_JOINER_H

#include <string>

#include "join/record_layout.h"
#include "tools/split/input.h"
#include "tools/split/options.h"

// The joiner copied when none is given, and the tree the program runs
// from: its build tree, or an installed tree (on Windows the joiner is
// beside the program in either).
struct DefaultJoiner {
    std::string place;  // relative to the program's folder, as the help shows it
    std::string path;   // the same from the program's folder; empty when that is unknown
    bool buildTree = false;
};

// The default joiner is taken when options name none, and only when the
// user or the administrator alone could have put it there (OsCheckTrusted);
// a joiner given is the user's choice and is not judged.
int PrepareJoiner(const Options& options, const DefaultJoiner& fallback, Job* job);

// Warns when the joiner is a Windows program whose name leaves little room
// for a folder: Windows starts no program whose path is longer than 260
// characters.
void WarnOfLongJoinerName(const Job& job);

// Stamps the record into the joiner's bytes and checks that it reads back.
int StampJoiner(Job* job, const JoinRecord& record);

#endif

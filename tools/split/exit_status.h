// The splitter's exit statuses: one per cause, in one table that the help
// and the manual page list and main returns.
#ifndef SELVANORE_TOOLS_SPLIT_EXIT_STATUS_H
#define SELVANORE_TOOLS_SPLIT_EXIT_STATUS_H

#include <string>

#include "tools/split/job.h"

enum SplitExitStatus {
    kExitDone = 0,
    kExitFailed = 1,   // the run failed (nothing is left behind), or the help was not written
    kExitUsage = 2,    // a bad command line, or a file name a set cannot carry
    kExitInterrupted = 130,
};

// The status a failed run ends with.
int ExitStatusOf(const SplitOutcome& outcome);

// The table as the help shows it: "Exit status:" and a line per status.
std::string ExitStatusText();

// The line that ends every refused command line.
extern const char kUsageHint[];

#endif

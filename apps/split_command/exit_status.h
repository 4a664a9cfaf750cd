// The splitter's exit statuses (text/command_line.h, shared with selvanore):
// one per cause, in the table that the help and the manual page list and
// main returns.
#ifndef SELVANORE_APPS_SPLIT_COMMAND_EXIT_STATUS_H
#define SELVANORE_APPS_SPLIT_COMMAND_EXIT_STATUS_H

#include <string>

#include "text/command_line.h"
#include "split/split.h"

// The status a failed run ends with.
int ExitStatusOf(const SplitOutcome& outcome);

// The table as the help shows it: "Exit status:" and a line per status.
std::string ExitStatusText();


#endif

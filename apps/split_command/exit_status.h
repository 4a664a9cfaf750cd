// The splitter's exit statuses (text/command_line.h, shared with selvanore):
// the one each cause of a failed run ends with. Their meanings, as the help
// and the manual page list them, are texts.h's.
#ifndef SELVANORE_APPS_SPLIT_COMMAND_EXIT_STATUS_H
#define SELVANORE_APPS_SPLIT_COMMAND_EXIT_STATUS_H

#include <string>

#include "text/command_line.h"
#include "split/split.h"

// The status a failed run ends with.
int ExitStatusOf(const SplitOutcome& outcome);



#endif

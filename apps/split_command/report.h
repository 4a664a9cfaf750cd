// What the command line tells its user: failures and warnings, one line each
// on the standard error, the progress of a long cut on a terminal, and the
// summary of a set. Every sentence is made here from the job's values
// (job.h); the job itself says nothing.
#ifndef SELVANORE_APPS_SPLIT_COMMAND_REPORT_H
#define SELVANORE_APPS_SPLIT_COMMAND_REPORT_H

#include <cstdint>
#include <string>

#include "platform/console.h"
#include "split/split.h"

// Writes "vantorel-split: " and the formatted text as one line, ending a
// progress line first. The format is C99's on both systems (%zu, %llu):
// Windows builds format with the MinGW functions.
void Report(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// The sentence of a failure, without the program's name.
std::string DescribeFailure(const SplitFailure& failure);

// The summary of a set made: the file, its size and parts, the joiner made,
// the checksum, the checksum list and the joiner copied, a line each, the
// joiner copied last.
std::string SummaryText(const SplitResult& result);

// The command line's answers to a run's events: each warning reported as it
// comes; once the outputs are about to be made, interruptions caught
// (CatchInterruptions) and, on a terminal and for a file of 16 MiB or
// more, "cutting NAME: P%" shown in place, wiped when the cut is done; stop
// once an interruption came.
SplitEvents TerminalEvents();

// Whether the program runs in a console window opened for it alone (started
// from Explorer by a double click or a file dropped on its icon), which
// would close as it ends: one process on the console, which is the standard
// output and input. Then the program ends with OwnConsoleNote and waits for
// a key. Under a console of its own shell, or with either stream
// redirected, nothing changes.
bool InAConsoleOfItsOwn(const ConsoleState& console);

// What the program is and where the window program is, for a user who
// started it from Explorer. ownPath: the program's path (empty: unknown).
std::string OwnConsoleNote(const std::string& ownPath);

#endif

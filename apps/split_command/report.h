// How the command line tells its user: failures and warnings, one line each
// on the standard error, and the progress of a long cut on a terminal. The
// sentences are texts.h's, made from the job's values; the job itself says
// nothing.
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

#endif

// What the command-line programs (vantorel-split, selvanore) share: long
// options as GNU programs take them, the exit statuses and their table in
// the help, and the line that ends a refused command line. Each program
// words the meaning of its statuses; a status means the same in both.
#ifndef SELVANORE_TEXT_COMMAND_LINE_H
#define SELVANORE_TEXT_COMMAND_LINE_H

#include <cstddef>
#include <string>

enum class OptionMatch { Found, Unknown, Ambiguous };

// Finds the option that name (without its leading "--") names among the
// count names given (without "--" either): the name given whole, or cut to
// any beginning that only one option has. A name given whole is that option
// even when it begins another ("no" beside "no-list"). Found: *index is the
// option's. Ambiguous: *candidates lists the options it begins, as
// "--no-list, --none".
OptionMatch MatchLongOption(const std::string& name, const char* const* names, size_t count,
                            size_t* index, std::string* candidates);

// The exit statuses of both programs.
enum ExitStatus : int {
    kExitDone = 0,      // the program did what it was asked
    kExitFailed = 1,    // it did not (nothing is left behind), or its help was not written
    kExitUsage = 2,     // a bad command line, or a file the program cannot take
    kExitInterrupted = 130,
};

// A status and what it means for one program.
struct ExitStatusMeaning {
    int status;
    const char* meaning;
};

// The table as a help shows it: "Exit status:" and a line per status,
// "  0    meaning".
std::string ExitStatusTable(const ExitStatusMeaning* rows, size_t count);

// The line that ends every refused command line, without its line end:
// "Try 'PROGRAM --help' for more information."
std::string UsageHint(const char* program);

#endif

// What a command-line program needs of its process: its arguments, the
// standard output and error, interruptions, and the console it runs in.
// vantorel-split's front end uses it; the terminal joiner keeps to its own
// POSIX terminal.
#ifndef SELVANORE_PLATFORM_CONSOLE_H
#define SELVANORE_PLATFORM_CONSOLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

// The program's arguments, argv[0] first, as UTF-8: argv itself on POSIX;
// on Windows the wide command line, which holds any name intact.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

enum class StandardStream { Output, Error };

// Writes UTF-8 text to the standard output or error and flushes it: its
// bytes, or on a Windows console its characters. A failure (a full device, a
// closed pipe) is reported.
int WriteToStream(StandardStream stream, const std::string& text, SystemError* error);

// Catches the interruptions a user or the system sends (Ctrl+C, a hang-up, a
// termination request; on Windows Ctrl+C, Ctrl+Break and the console
// closing), which then only set the flag Interrupted reads, and turns a
// file-size limit and a closed output into write errors. Windows ends a
// process soon after its console closes: the program then has that long to
// remove its outputs and return.
void CatchInterruptions();
bool Interrupted();

// Whether the standard error shows on a terminal.
bool ErrorStreamIsTerminal();

// Whether "/?" asks for the help, as Windows programs take it (on POSIX it
// is a path).
bool SlashAsksForHelp();

// The console the program runs in: how many processes it has (0: none, or
// it cannot be told; always 0 on POSIX), and whether the standard output and
// input are that console. A console of one process was opened for this one:
// it was started from Explorer, and the window closes as the program ends.
struct ConsoleState {
    uint32_t processes = 0;
    bool output = false;
    bool input = false;
};
ConsoleState GetConsoleState();

// Waits until a key is pressed on the console; from then on Ctrl+C and
// closing the window end the program at once. Nothing on POSIX.
void WaitForKey();

#endif

// What the splitter tells its user on the standard error: failures and
// warnings, one line each, and the progress of a long cut on a terminal.
#ifndef SELVANORE_TOOLS_SPLIT_REPORT_H
#define SELVANORE_TOOLS_SPLIT_REPORT_H

#include <cstdint>
#include <string>

// A name or path as it may be shown on a terminal: printable UTF-8 as it
// is; control characters (escape, DEL, the C1 controls), the characters that
// reorder or break a line (bidirectional overrides, isolates and marks, line
// and paragraph separators) and the bytes of invalid UTF-8 as escapes
// ("\x1b", "\u202e"). Every message that echoes a name goes through it, so
// no name can move the cursor, recolour the terminal or hide its own end.
std::string ShowName(const std::string& name);

// Writes "vantorel-split: " and the formatted text as one line, ending a
// progress line first. The format is C99's on both systems (%zu, %llu):
// Windows builds format with the MinGW functions.
void Report(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Shows "cutting NAME: P%" in place when the percentage has changed since
// *shown.
void ShowProgress(const std::string& name, uint64_t done, uint64_t total, int* shown);

// Wipes the progress line of name.
void ClearProgress(const std::string& name);

#endif

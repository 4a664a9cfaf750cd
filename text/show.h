// Text as a terminal shows it: nothing the programs print may steer the
// terminal. A name can hold any byte a file system allows, so control
// characters and the characters that reorder a line are shown as escapes.
// Every message of the command-line programs that echoes a name goes
// through ShowName, so no name can move the cursor, recolour the terminal
// or hide its own end.
#ifndef SELVANORE_TEXT_SHOW_H
#define SELVANORE_TEXT_SHOW_H

#include <string>

// A UTF-8 name or path: printable characters as they are, backslashes too;
// C0 and C1 controls, DEL, the bidirectional and line separator characters
// as "\x1b" or "\u202e"; each byte of invalid UTF-8 (a surrogate's three
// bytes included) as "\xff".
std::string ShowName(const std::string& utf8);

// The program's Windows-1252 text in UTF-8, "\r\n" and "\n" ending lines as
// "\n": a control character (other than those line ends) and the five bytes
// that Windows-1252 leaves unassigned (which would become C1 controls) are
// shown as "\x90". Every byte of the result's ASCII is one column, and so
// is every other character.
std::string ShowText(const std::string& cp1252);

#endif

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

// The program's text, "\r\n" and "\n" ending lines as "\n": every
// other character as ShowName shows it (a control, a lone "\r" included,
// as an escape). Every byte of the result's ASCII is one column, and so is
// every other character.
std::string ShowText(const std::string& utf8);

#endif

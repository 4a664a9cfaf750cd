// The terminal joiner's command line: selvanore [--yes | --no]
// [--delete-parts] [FILE], --help (-h), --version; a long option may be cut
// to any beginning no other one has.
#ifndef SELVANORE_APPS_TERMINAL_JOINER_OPTIONS_H
#define SELVANORE_APPS_TERMINAL_JOINER_OPTIONS_H

#include <string>

// How the questions are answered: asked (a prompt on a terminal; with
// nobody to answer, no), or yes or no to every one.
enum class Answering { Ask, Yes, No };

// How the terminal answers the dialog's questions.
struct TerminalSettings {
    Answering answering = Answering::Ask;  // the Yes/No boxes
    bool deleteParts = false;             // the check box: yes, else no when answering
};

struct TtyOptions {
    bool help = false;
    bool version = false;
    Answering answering = Answering::Ask;
    bool deleteParts = false;
    std::string file;  // empty: the record of the program itself
};

// Returns 1, or 0 with what is wrong in *error.
int ParseTtyArguments(int argc, const char* const* argv, TtyOptions* options, std::string* error);


#endif

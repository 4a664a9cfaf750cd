// Everything selvanore says in its own words, English as vantorel-split's:
// its usage, help and version, the refusals of a command line and of FILE,
// its complaints, and how a question is asked and answered on a terminal.
// The dialog's texts are the Windows program's, in Spanish (ui/).
#ifndef SELVANORE_APPS_TERMINAL_JOINER_TEXTS_H
#define SELVANORE_APPS_TERMINAL_JOINER_TEXTS_H

#include <string>

#include "apps/terminal_joiner/source.h"

// The program's name, which begins each complaint and its usage hint.
extern const char kProgramName[];

// The usage line, the hint that ends a refused command line after it
// (text/command_line.h), the help with its table of exit statuses, and the
// --version line.
extern const char kTtyUsage[];
std::string TtyHint();
std::string TtyHelp();
std::string VersionText();

// Why a command line is refused: the word (an option, without "--" where
// said), and the candidates of an ambiguous one.
enum class TtyRefusal {
    UnknownOption,      // word: the whole word
    UnknownLongOption,  // word: the name without "--"
    Ambiguous,          // word: the name without "--"; other: the candidates
    TakesNoValue,       // word: the option's name without "--"
    YesAndNo,
    TwoFiles,
    EmptyFile,
};
std::string TtyRefusalText(TtyRefusal refusal, const std::string& word = "", const std::string& other = "");

// The complaints of a start that cannot go on, and of a list beside the
// parts that is left aside (why: DescribeSourceFailure's sentence).
extern const char kNotStamped[];
extern const char kNoProgramFolder[];
extern const char kNoTerminal[];
std::string CannotEnterText(const std::string& folder, const std::string& reason);
std::string ListAsideText(const std::string& why);

// The sentence of a FILE or a list that gives no record (source.h), naming
// path.
std::string DescribeSourceFailure(const SourceFailure& failure, const std::string& path);

// A question's prompt by its default, the answers printed after it, and
// the enabled buttons as their keys on the status line.
extern const char kPromptDefaultYes[];
extern const char kPromptDefaultNo[];
extern const char kAnswerYes[];
extern const char kAnswerNo[];
extern const char kStartKey[];
extern const char kCancelKey[];

#endif

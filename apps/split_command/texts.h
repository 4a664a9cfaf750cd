// Every sentence vantorel-split prints, in English: its help, the
// refusals of a command line, the meanings of its exit statuses, the
// failures and warnings of a run made from the job's values (split/split.h),
// the progress of a cut, the summary of a set, and the note for a user who
// started it from Explorer. Names go through ShowName (text/show.h).
#ifndef SELVANORE_APPS_SPLIT_COMMAND_TEXTS_H
#define SELVANORE_APPS_SPLIT_COMMAND_TEXTS_H

#include <cstddef>
#include <string>

#include "split/split.h"
#include "text/command_line.h"

// The program's name, which begins each line it reports and its usage
// hint, and its --version line.
extern const char kProgramName[];
std::string VersionText();

// The --help text. windows, linuxJoiner: the default joiners of either
// system (FindDefaultJoiner), where each used without --joiner lies,
// relative to the program's folder (an empty place when that is unknown),
// and whether the program runs from its build tree.
// slashHelp: "/?" asks for the help too (Windows).
std::string UsageText(const DefaultJoiner& windows, const DefaultJoiner& linuxJoiner,
                      bool slashHelp = false);

// The meaning of each exit status (text/command_line.h), as the help and
// the manual page list them.
const size_t kSplitExitStatusCount = 4;
extern const ExitStatusMeaning kSplitExitStatuses[kSplitExitStatusCount];

// The units a size takes, for messages and the help:
// "K, M, G (1024-based), KB, MB, GB (1000-based), KiB, MiB, GiB".
extern const char kByteCountUnits[];

// Why a command line is refused: the value or option word, and a second
// word (the other FILE, the candidates of an abbreviation).
enum class Refusal {
    PartsTooLarge,
    PartsNotANumber,
    SizeTooLarge,
    SizeNotANumber,
    UnknownChecksum,
    UnknownSystem,
    UnknownShortOption,     // word: the letter
    ShortOptionNeedsValue,  // word: the letter
    TwoFiles,
    UnknownOption,          // word: the name without "--"
    AmbiguousOption,        // word: the name without "--"; other: the candidates
    OptionTakesNoValue,     // word: the long name without "--"
    OptionNeedsValue,       // word: the long name without "--"
    NoFile,
    NoCut,
    RecoveryNotANumber,
};
std::string RefusalText(Refusal refusal, const std::string& word = "", const std::string& other = "");

// A warning of a run, and the sentence of a failure, without the program's
// name.
std::string DescribeWarning(const SplitWarning& warning);
std::string DescribeFailure(const SplitFailure& failure);

// The progress of a cut, shown in place: "cutting NAME: P%", and of its
// recovery pass: "recovery data of NAME: P%".
std::string ProgressText(const std::string& name, int percent, bool recovery = false);

// The summary of a set made: the file, its size and parts, the joiner made,
// the checksum, the checksum list, the recovery files (what to send with the
// parts, and how many lost parts they rebuild), a line each; with a mail
// preset (mailLimit, 0 for none; partSize its parts' size) what a part takes
// once encoded; a note for the sender (mail refuses programs, and what the
// recipient does without the joiner); the joiner copied, last.
std::string SummaryText(const SplitResult& result, uint64_t mailLimit = 0, uint64_t partSize = 0);
// The failure of a summary that cannot be written, with the system's reason.
std::string SummaryFailedText(const std::string& reason);

// What the program is and where the window program is, for a user who
// started it from Explorer. ownPath: the program's path (empty: unknown).
std::string OwnConsoleNote(const std::string& ownPath);

#endif

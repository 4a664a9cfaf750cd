// Everything the splitter's window says, in Spanish: its titles, labels,
// buttons and statuses, the labels of its choices, each failure of the job
// with the file it concerns, the summary of a set (what to send and how much
// it weighs). The sentences are UTF-8 literals; the names they hold
// come from the job in UTF-8 (any character a Windows name may have). A
// composed text is made in UTF-16, ready for the wide calls.
#ifndef SELVANORE_APPS_SPLIT_WINDOW_TEXTS_H
#define SELVANORE_APPS_SPLIT_WINDOW_TEXTS_H

#include <cstdint>
#include <string>

#include "split/split.h"
#include "apps/split_window/choices.h"

// A text of the program (UTF-8) in UTF-16.
std::u16string Widen(const char* utf8);
// A name of the job (UTF-8) in UTF-16; a byte that is not UTF-8 reads as
// "\xHH".
std::u16string WidenName(const std::string& utf8);

// ---- The window's words ------------------------------------------------------

extern const char kWindowTitle[];
// The titles of its boxes.
extern const char kTitleError[];
extern const char kTitleDone[];
extern const char kTitleQuestion[];
// The dialog's labels and buttons.
extern const char kFileLabel[];
extern const char kBrowse[];
extern const char kChooseAFile[];
extern const char kCutLabel[];
extern const char kPartSizeLabel[];
extern const char kPartCountAmountLabel[];
extern const char kChecksumLabel[];
extern const char kOutDirLabel[];
extern const char kCutButton[];
extern const char kStopButton[];
// The labels of the choices (choices.h): each preset, then a size of
// one's own and a number of parts, and the units of a size.
extern const char* const kCutPresetLabels[kCutPresetCount];
extern const char kOwnSizeLabel[];
// The recovery data's label and choices (choices.h's order).
extern const char kRecoveryLabel[];
extern const char* const kRecoveryChoiceLabels[kRecoveryChoiceCount];
extern const char kPartCountLabel[];
extern const char* const kSizeUnitLabels[kSizeUnitCount];
// The open and folder dialogs.
extern const char kAllFiles[];
extern const char kFileDialogTitle[];
extern const char kFolderDialogTitle[];
// The statuses and questions of a cut.
extern const char kChooseTheCut[];
extern const char kNoWorker[];
extern const char kStopping[];
extern const char kCutStopped[];
extern const char kCutImpossible[];
extern const char kOpenTheFolder[];
extern const char kCloseQuestion[];
// The clock before the first block, when nothing tells the time yet.
extern const char kNoClock[];

// "Tamaño : 15.000.000 bytes (14,3 MB)".
std::u16string FileSizeText(uint64_t size);
// The two time labels: a clock text or kNoClock after their words.
std::u16string ElapsedText(const char* clock);
std::u16string RemainingText(const char* clock);
// The status while the file (as given) is cut, and once it is.
std::u16string CuttingText(const std::string& file);
std::u16string CutDoneText(const SplitResult& result);
// The status while the recovery data of the file (as given) is written.
std::u16string RecoveringText(const std::string& file);

// ---- The job's values -----------------------------------------------------------

// The sentence of a failure, naming what it concerns.
std::u16string FailureReason(const SplitFailure& failure);
// The box of a failed cut: the file (as given) and the reason.
std::u16string FailureText(const std::string& file, const SplitFailure& failure);

// What was made and what to send: the parts, the joiner and the list, how
// many files and their total size, the folder (as the window names it), and
// with a mail preset (choice.mailLimit) that each part passes the limit.
std::u16string SummaryText(const SplitResult& result, const std::string& folder,
                           const CutChoice& choice);

// A warning of the job, told with the summary.
std::u16string WarningText(const SplitWarning& warning);

// The sentence of an amount the window cannot read.
std::u16string AmountText(const char* amount, AmountProblem problem, bool parts);

#endif

// What the splitter's window says, in Spanish: each failure of the job with
// the file it concerns, the summary of a set (what to send and how much it
// weighs). The sentences are Windows-1252 literals;
// the names they hold come from the job in UTF-8 (any character a Windows
// name may have). A text is made in UTF-16, ready for the wide calls.
#ifndef SELVANORE_APPS_SPLIT_WINDOW_TEXTS_H
#define SELVANORE_APPS_SPLIT_WINDOW_TEXTS_H

#include <cstdint>
#include <string>

#include "split/split.h"
#include "apps/split_window/choices.h"

// A Windows-1252 text in UTF-16, unit for unit.
std::u16string Widen(const char* cp1252);
// A name of the job (UTF-8) in UTF-16; a byte that is not UTF-8 reads as
// "\xHH".
std::u16string WidenName(const std::string& utf8);

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

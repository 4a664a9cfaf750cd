#include "apps/split_command/report.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "apps/split_command/texts.h"
#include "platform/console.h"
#include "text/show.h"

namespace {

// What the lines on the standard error met: they are best effort, a
// failure to write them changes nothing.
SystemError g_ignored;

// Whether a progress line is on the terminal and must be ended first.
bool g_progressShown = false;

// Below this size a cut is too quick for progress to be worth showing.
const uint64_t kProgressThreshold = 16u << 20;

// The progress of the cut under way: whether it is shown, and the
// percentage shown last.
bool g_showProgress = false;
int g_shownPercent = -1;
size_t g_shownLength = 0;  // of the progress line on the terminal

void ShowProgress(const std::string& name, bool recovery, uint64_t done, uint64_t total) {
    int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == g_shownPercent) return;
    g_shownPercent = percent;
    std::string text = ProgressText(name, percent, recovery);
    g_shownLength = text.size();
    WriteToStream(StandardStream::Error, "\r" + text, &g_ignored);
    g_progressShown = true;
}

void ClearProgress() {
    if (!g_progressShown) return;
    WriteToStream(StandardStream::Error, "\r" + std::string(g_shownLength, ' ') + "\r", &g_ignored);
    g_progressShown = false;
    g_shownPercent = -1;
}

void OnWarning(void*, const SplitWarning& warning) {
    Report("%s", DescribeWarning(warning).c_str());
}

void OnProgress(void*, const SplitProgress& progress) {
    switch (progress.stage) {
        case SplitStage::Writing:
            CatchInterruptions();
            g_showProgress = ErrorStreamIsTerminal() && progress.total >= kProgressThreshold;
            g_shownPercent = -1;
            break;
        case SplitStage::Cutting:
        case SplitStage::Recovering:
            if (g_showProgress) {
                ShowProgress(progress.name, progress.stage == SplitStage::Recovering, progress.done,
                             progress.total);
                // The recovery pass is the last with a progress line.
                if (progress.stage == SplitStage::Recovering && progress.done >= progress.total) {
                    ClearProgress();
                }
            }
            break;
        case SplitStage::Cut:
            if (g_showProgress) ClearProgress();
            break;
    }
}

int OnStop(void*) { return Interrupted(); }

}  // namespace

void Report(const char* format, ...) {
    std::string line = std::string(g_progressShown ? "\n" : "") + kProgramName + ": ";
    g_progressShown = false;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        std::vector<char> text(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        line.append(text.data(), static_cast<size_t>(length));
    }
    va_end(again);
    WriteToStream(StandardStream::Error, line + "\n", &g_ignored);
}

SplitEvents TerminalEvents() {
    SplitEvents events;
    events.warn = OnWarning;
    events.progress = OnProgress;
    events.stop = OnStop;
    return events;
}

bool InAConsoleOfItsOwn(const ConsoleState& console) {
    return console.processes == 1 && console.output && console.input;
}

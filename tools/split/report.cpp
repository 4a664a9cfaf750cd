#include "tools/split/report.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "tools/split/os.h"

namespace {

// Whether a progress line is on the terminal and must be ended first.
bool g_progressShown = false;

}  // namespace

void Report(const char* format, ...) {
    std::string line = g_progressShown ? "\nvantorel-split: " : "vantorel-split: ";
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
    OsWriteText(OsStream::Error, line + "\n");
}

void ShowProgress(const std::string& name, uint64_t done, uint64_t total, int* shown) {
    int percent = static_cast<int>(done * 100 / total);
    if (percent == *shown) return;
    *shown = percent;
    char figure[8];
    std::snprintf(figure, sizeof figure, "%3d%%", percent);
    OsWriteText(OsStream::Error, "\rcutting " + name + ": " + figure);
    g_progressShown = true;
}

void ClearProgress(const std::string& name) {
    OsWriteText(OsStream::Error, "\r" + std::string(name.size() + 14, ' ') + "\r");
    g_progressShown = false;
}

#include "tools/split/report.h"

#include <cstdarg>
#include <cstdio>

namespace {

// Whether a progress line is on the terminal and must be ended first.
bool g_progressShown = false;

}  // namespace

void Report(const char* format, ...) {
    if (g_progressShown) {
        std::fputc('\n', stderr);
        g_progressShown = false;
    }
    std::fputs("vantorel-split: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

void ShowProgress(const std::string& name, uint64_t done, uint64_t total, int* shown) {
    int percent = static_cast<int>(done * 100 / total);
    if (percent == *shown) return;
    *shown = percent;
    std::fprintf(stderr, "\rcutting %s: %3d%%", name.c_str(), percent);
    std::fflush(stderr);
    g_progressShown = true;
}

void ClearProgress(const std::string& name) {
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(name.size()) + 14, "");
    g_progressShown = false;
}

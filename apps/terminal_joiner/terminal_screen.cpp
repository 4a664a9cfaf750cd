// What the terminal joiner prints: the report's complete lines once, and on
// a terminal the open line and two status lines rewritten in place under
// them, each cut to the terminal's width so that none wraps.
#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "apps/terminal_joiner/terminal_state.h"
#include "apps/terminal_joiner/texts.h"
#include "text/show.h"

void WriteText(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            // The terminal, non-blocking, is full (stopped with Ctrl+S).
            pollfd ready = {fd, POLLOUT, 0};
            if (poll(&ready, 1, -1) < 0 && errno != EINTR) return;
            continue;
        }
        if (n <= 0) return;  // a closed pipe, a hung-up terminal: the join goes on
        done += static_cast<size_t>(n);
    }
}

void Out(const std::string& text) { WriteText(STDOUT_FILENO, text); }

void OutAndAsk(const std::string& text, bool asking) {
    Out(text);
    if (asking && !g_tty.ttyIsOutput) WriteText(g_tty.tty, text);
}

namespace {

size_t Columns() {
    struct winsize size;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col;
    return 80;
}

// The text shown in at most columns - 1 characters, so that it never wraps
// and the lines rewritten in place stay where they are counted.
std::string Fit(const std::string& text, size_t columns) {
    std::string shown = ShowText(text);
    size_t characters = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        if ((static_cast<unsigned char>(shown[i]) & 0xC0) == 0x80) continue;
        if (++characters == columns) return shown.substr(0, i);
    }
    return shown;
}

}  // namespace

std::string EraseLive() {
    if (!g_tty.rewrite || g_tty.liveLines == 0) return "";
    std::string erase = "\r";
    if (g_tty.liveLines > 1) erase += "\x1b[" + std::to_string(g_tty.liveLines - 1) + "A";
    g_tty.liveLines = 0;
    return erase + "\x1b[J";
}

std::string NewLines() {
    const std::string& text = g_tty.report.text;
    size_t end = text.rfind("\r\n");
    if (end == std::string::npos || end + 2 <= g_tty.printed) return "";
    std::string lines = ShowText(text.substr(g_tty.printed, end + 2 - g_tty.printed));
    g_tty.printed = end + 2;
    return lines;
}

namespace {

// The title, and the enabled buttons as their keys.
std::string StatusLine(bool withKeys) {
    std::string line = g_tty.title;
    if (!withKeys) return line;
    if (g_tty.start.enabled) line += kStartKey + g_tty.start.text;
    if (g_tty.cancel.enabled) line += kCancelKey + g_tty.cancel.text;
    return line;
}

}  // namespace

void Render(bool final) {
    std::string out = EraseLive() + NewLines();
    std::string open = g_tty.report.text.substr(g_tty.printed);
    if (g_tty.rewrite) {
        size_t columns = Columns();
        std::vector<std::string> live;
        if (!open.empty()) live.push_back(open);
        live.push_back(StatusLine(!final));
        live.push_back(g_tty.elapsed.text + "   " + g_tty.remaining.text);
        for (size_t i = 0; i < live.size(); ++i) {
            out += Fit(live[i], columns);
            if (final || i + 1 < live.size()) out += "\n";
        }
        g_tty.liveLines = final ? 0 : static_cast<int>(live.size());
    } else if (final && !open.empty()) {
        out += ShowText(open) + "\n";
    }
    Out(out);
}


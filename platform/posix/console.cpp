// The command line's process on POSIX: the arguments as they are, the
// standard streams as bytes, the signals that interrupt, no console.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/console.h"
#include "platform/posix/file_handle.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterruption(int) { g_interrupted = 1; }

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

int WriteToStream(StandardStream stream, const std::string& text, SystemError* error) {
    FILE* file = stream == StandardStream::Output ? stdout : stderr;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
        return Failed(error, errno);
    }
    return 1;
}

void CatchInterruptions() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterruption;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A file-size limit or a closed standard output then fails the write
    // that meets it, which is reported, instead of killing the run with its
    // outputs half made.
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
}

bool Interrupted() { return g_interrupted != 0; }

bool ErrorStreamIsTerminal() { return isatty(STDERR_FILENO) != 0; }

bool SlashAsksForHelp() { return false; }

ConsoleState GetConsoleState() { return ConsoleState(); }

void WaitForKey() {}

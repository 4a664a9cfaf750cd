// The terminal joiner's loop: the controlling terminal and its keys, the
// signals, the questions, and the worker's calls handed to the main thread.
#include "apps/terminal_joiner/terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "apps/terminal_joiner/terminal_state.h"
#include "apps/terminal_joiner/texts.h"
#include "ui/dialog.h"

Terminal g_tty;

namespace {

TerminalPoll g_poll = poll;

// The worker's calls on the main thread. Never freed: a worker may still be
// on its way out of it when the program ends.
struct Mailbox {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> task;
    bool full = false;
    uint64_t posted = 0, done = 0;
    int inside = 0;  // threads inside CallOnMainThread
};
Mailbox* const g_mail = new Mailbox;

// ---- Keys and signals -------------------------------------------------------

void OnSignal(int number) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(number);
    ssize_t ignored = write(g_tty.signals[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

// Whether the run is the terminal's foreground process group: only then
// are its settings ours to change (from the background that stops the job,
// SIGTTOU, and the shell has set them for the job in front) and its keys
// ours to read.
bool Foreground() { return g_tty.tty >= 0 && tcgetpgrp(g_tty.tty) == getpgrp(); }

// Keys one by one, without echo, while the run is in the foreground; the
// terminal still turns Ctrl+C into SIGINT. TCSANOW keeps what was typed
// ahead. In the background nothing is changed and no key is read. again:
// set them even when they were (back from a stop, the shell may have
// changed them).
void FollowForeground(bool again) {
    if (!Foreground()) {
        g_tty.taken = false;
        return;
    }
    if (!g_tty.answerable || (g_tty.taken && !again)) return;
    // The settings before ours, from the first time the run is in front.
    if (!g_tty.savedSettings) {
        if (tcgetattr(g_tty.tty, &g_tty.saved) != 0) return;
        g_tty.savedSettings = true;
    }
    termios keys = g_tty.saved;
    keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    g_tty.taken = tcsetattr(g_tty.tty, TCSANOW, &keys) == 0;
}

bool ReadsKeys() { return g_tty.taken && g_tty.answerable; }

// poll has failed: nothing can be waited for any more. Nobody is asked,
// the join is to be cancelled as Anular does, and the loop serves the
// worker without poll until it has ended.
void LosePoll() {
    g_tty.pollFailed = true;
    g_tty.answerable = false;
    g_tty.cancelPending = true;
}

// Reads the signals caught since the last call.
void TakeSignals() {
    unsigned char bytes[64];
    ssize_t count;
    while ((count = read(g_tty.signals[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            if (bytes[i] == SIGCONT) {
                // Back from a stop, or brought to the foreground: the shell
                // may have changed the terminal and written below the lines
                // in place, which stay as they are.
                ++g_tty.resumed;
                FollowForeground(true);
                g_tty.liveLines = 0;
                continue;
            }
            g_tty.interrupted = true;
            g_tty.cancelPending = true;
            if (bytes[i] == SIGHUP) g_tty.answerable = false;  // nobody is there to answer
        }
    }
}

// Waits for an answer on the terminal: s or y for yes, n or q for no, Enter
// for the default. A signal that cancels, an input that ends or a terminal
// that cannot be watched answers no: nobody is there to say yes. In the
// background the read stops the job (SIGTTIN) until it is brought to the
// foreground, where the question is shown again.
bool ReadAnswer(const std::string& question, bool defaultYes) {
    unsigned resumed = g_tty.resumed;
    for (;;) {
        TakeSignals();
        if (g_tty.interrupted || !g_tty.answerable) return false;
        bool foreground = Foreground();
        if (g_tty.resumed != resumed && foreground) {
            resumed = g_tty.resumed;
            WriteText(g_tty.tty, question);
        }
        // In the background the poll does not wait for a key: the read
        // below is what stops the job.
        pollfd watched[2] = {{g_tty.tty, POLLIN, 0}, {g_tty.signals[0], POLLIN, 0}};
        if (g_poll(watched, 2, foreground ? -1 : 100) < 0) {
            if (errno == EINTR) continue;
            LosePoll();
            return false;
        }
        if (foreground && watched[0].revents == 0) continue;
        char key = 0;
        ssize_t n = read(g_tty.tty, &key, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            // Ended, hung up, or in a background that cannot be stopped.
            g_tty.answerable = false;
            return false;
        }
        switch (key) {
            case 's': case 'S': case 'y': case 'Y': return true;
            case 'n': case 'N': case 'q': case 'Q': return false;
            case '\r': case '\n': return defaultYes;
            default: break;
        }
    }
}

}  // namespace

// Prints a question (after the report's new lines) and answers it: as the
// command line says, else on the terminal; after an interruption, or with
// nobody to answer, no: the answer that keeps nothing unverified, replaces
// nothing and deletes nothing. The answer is printed after the question.
bool Ask(const std::string& question, bool defaultYes, Answering answering) {
    bool asking = !g_tty.interrupted && answering == Answering::Ask && g_tty.answerable;
    Out(EraseLive() + NewLines());
    OutAndAsk(question, asking);
    bool yes = false;
    if (!g_tty.interrupted && answering != Answering::Ask) {
        yes = answering == Answering::Yes;
    } else if (asking) {
        yes = ReadAnswer(question, defaultYes);
    }
    OutAndAsk(yes ? kAnswerYes : kAnswerNo, asking);
    return yes;
}

namespace {

void ReadKeys() {
    char keys[64];
    ssize_t count = read(g_tty.tty, keys, sizeof keys);
    if (count <= 0) {
        if (count == 0 || (errno != EINTR && errno != EAGAIN)) g_tty.answerable = false;
        return;
    }
    for (ssize_t i = 0; i < count; ++i) {
        // A key does what its button does, and only while the button is on.
        if ((keys[i] == 'p' || keys[i] == 'P') && g_tty.start.enabled) OnStartButton();
        if ((keys[i] == 'q' || keys[i] == 'Q') && g_tty.cancel.enabled) OnCancelButton();
    }
}

// A signal cancels as Anular does, once the dialog takes it: not while a
// pause is asked (the worker has not stopped yet), so it waits for the pause.
void PressPendingCancel() {
    if (!g_tty.cancelPending) return;
    DialogState state = GetDialogState();
    if (state == DialogState::PauseAsked) return;
    g_tty.cancelPending = false;
    if (state != DialogState::Cancelling && state != DialogState::Closing) OnCancelButton();
}

bool WorkerRuns() {
    DialogState state = GetDialogState();
    return state == DialogState::Running || state == DialogState::PauseAsked ||
           state == DialogState::Paused || state == DialogState::Cancelling;
}

// Waits for a worker's task, a signal or a key, and takes the signals and
// the keys. Returns 0 when poll fails.
int AwaitTurn() {
    // Brought to the foreground without a stop, the run takes the keys.
    FollowForeground(false);
    pollfd watched[3] = {{g_tty.wake[0], POLLIN, 0}, {g_tty.signals[0], POLLIN, 0},
                         {g_tty.tty, POLLIN, 0}};
    bool keys = ReadsKeys();
    if (g_poll(watched, keys ? 3 : 2, -1) < 0) return errno == EINTR;
    TakeSignals();
    // Keys first: a key typed before a message counts before it.
    if (keys && ReadsKeys() && watched[2].revents != 0) ReadKeys();
    return 1;
}

}  // namespace

// ---- The worker's calls -----------------------------------------------------

void CallOnMainThread(const std::function<void()>& task) {
    if (pthread_equal(pthread_self(), g_tty.mainThread)) {
        task();
        return;
    }
    Mailbox& mail = *g_mail;
    std::unique_lock<std::mutex> lock(mail.mutex);
    ++mail.inside;
    mail.changed.wait(lock, [&mail] { return !mail.full; });
    mail.task = task;
    mail.full = true;
    uint64_t ticket = ++mail.posted;
    char byte = 'm';
    ssize_t ignored = write(g_tty.wake[1], &byte, 1);
    (void)ignored;
    mail.changed.wait(lock, [&mail, ticket] { return mail.done >= ticket; });
    --mail.inside;
    mail.changed.notify_all();
}

namespace {

// Runs the task a worker has handed over, if any; true when one ran.
bool ServeMail() {
    char bytes[64];
    while (read(g_tty.wake[0], bytes, sizeof bytes) > 0) {
    }
    Mailbox& mail = *g_mail;
    std::function<void()> task;
    {
        std::lock_guard<std::mutex> lock(mail.mutex);
        if (!mail.full) return false;
        task = mail.task;
    }
    task();
    {
        std::lock_guard<std::mutex> lock(mail.mutex);
        mail.full = false;
        mail.task = nullptr;
        ++mail.done;
    }
    mail.changed.notify_all();
    return true;
}

// Prints a box: its title, then its text indented; a question ends with
// the answers and its default in capitals, and is answered.

bool MakePipe(int (&ends)[2]) {
    if (pipe(ends) != 0) return false;
    for (int fd : ends) {
        int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
            fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

// ---- The terminal -----------------------------------------------------------

int OpenTerminal(const TerminalSettings& settings) {
    g_tty.settings = settings;
    g_tty.mainThread = pthread_self();
    if (!MakePipe(g_tty.wake) || !MakePipe(g_tty.signals)) return 0;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGCONT}) sigaction(number, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    g_tty.rewrite = isatty(STDOUT_FILENO) != 0;
    // Without a controlling terminal (cron, a service, setsid) nobody answers.
    g_tty.tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (g_tty.tty >= 0) {
        g_tty.answerable = true;
        // tcgetsid answers only for the caller's controlling terminal.
        g_tty.ttyIsOutput = tcgetsid(STDOUT_FILENO) == getsid(0);
        FollowForeground(false);
    }
    return 1;
}

void CloseTerminal() {
    Render(true);
    {
        Mailbox& mail = *g_mail;
        std::unique_lock<std::mutex> lock(mail.mutex);
        mail.changed.wait(lock, [&mail] { return mail.inside == 0; });
    }
    // Given back only by the job in front: in the background they are the
    // shell's, or the next job's.
    if (g_tty.taken && Foreground()) tcsetattr(g_tty.tty, TCSANOW, &g_tty.saved);
    if (g_tty.tty >= 0) close(g_tty.tty);
    g_tty.tty = -1;
}

ViewWindow TerminalDialog() { return WindowOf(g_tty.dialog); }

void RunTerminalLoop() {
    bool served = true;
    while (!g_tty.destroyed && WorkerRuns()) {
        if (!g_tty.pollFailed) {
            Render(false);
            if (!AwaitTurn()) {
                // Cancelled before the worker's waiting task is served.
                LosePoll();
                PressPendingCancel();
            }
        } else {
            // The worker may be waiting in its send: the pipes, which never
            // block, are tried every 10 ms until it has ended.
            if (served) Render(false);
            timespec pause = {0, 10 * 1000 * 1000};
            nanosleep(&pause, nullptr);
            TakeSignals();
        }
        served = ServeMail();
        PressPendingCancel();
    }
}

bool TerminalInterrupted() {
    TakeSignals();
    return g_tty.interrupted;
}

void UseTerminalPoll(TerminalPoll function) { g_poll = function; }

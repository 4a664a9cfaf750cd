#include "apps/terminal_joiner/terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "join/sink.h"
#include "ui/dialog.h"
#include "ui/report.h"
#include "text/show.h"

namespace {

struct Control {
    explicit Control(int number) : id(number) {}
    int id;
    std::string text;
    bool enabled = true;
};

struct Terminal {
    TerminalSettings settings;
    bool rewrite = false;  // the standard output is a terminal
    // The controlling terminal, where questions are asked and answered and
    // keys are read, whatever the standard input and output are; -1 without
    // one. Non-blocking: a read never waits, and in the background it stops
    // the job (SIGTTIN) instead of returning.
    int tty = -1;
    bool ttyIsOutput = false;  // the standard output is that terminal
    bool answerable = false;   // someone may answer there: not hung up, its input not ended
    bool taken = false;        // our settings are on it: the run is the job in front
    termios saved{};           // its settings before ours
    bool savedSettings = false;
    unsigned resumed = 0;      // SIGCONTs taken
    pthread_t mainThread{};
    int wake[2] = {-1, -1};     // a byte for each task handed to the main thread
    int signals[2] = {-1, -1};  // a byte for each signal caught

    Control dialog{0}, report{ID_REPORT_BOX}, start{ID_START_BUTTON}, cancel{ID_CANCEL_BUTTON},
        deleteInputs{ID_DELETE_INPUTS_BOX}, elapsed{ID_ELAPSED_LABEL}, remaining{ID_REMAINING_LABEL};
    std::string title;
    uint32_t selectionStart = 0, selectionEnd = 0;
    size_t printed = 0;  // the report's bytes printed, whole lines only
    int liveLines = 0;   // lines rewritten in place now on the screen, the cursor on the last

    bool destroyed = false;
    bool pollFailed = false;  // nothing can be waited for: the worker is served without poll
    bool interrupted = false;
    bool cancelPending = false;  // a signal's cancel the dialog has not taken yet
    bool deleteAsked = false;
    bool deleteAnswer = false;
};

Terminal g_tty;
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

Control* ControlOf(ViewWindow window) { return reinterpret_cast<Control*>(window); }
ViewWindow WindowOf(Control& control) { return reinterpret_cast<ViewWindow>(&control); }

Control* ById(int id) {
    Control* all[] = {&g_tty.report, &g_tty.start, &g_tty.cancel, &g_tty.deleteInputs,
                      &g_tty.elapsed, &g_tty.remaining};
    for (Control* control : all) {
        if (control->id == id) return control;
    }
    return nullptr;
}

// ---- Output -----------------------------------------------------------------

void WriteAll(int fd, const std::string& text) {
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

void Out(const std::string& text) { WriteAll(STDOUT_FILENO, text); }

// What a question shows where it is answered: on the controlling terminal
// when the standard output is elsewhere (a log, a pipe), which shows it too.
void OutAndAsk(const std::string& text, bool asking) {
    Out(text);
    if (asking && !g_tty.ttyIsOutput) WriteAll(g_tty.tty, text);
}

size_t Columns() {
    struct winsize size;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col;
    return 80;
}

// The text shown in at most columns - 1 characters, so that it never wraps
// and the lines rewritten in place stay where they are counted.
std::string Fit(const std::string& cp1252, size_t columns) {
    std::string shown = ShowText(cp1252);
    size_t characters = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        if ((static_cast<unsigned char>(shown[i]) & 0xC0) == 0x80) continue;
        if (++characters == columns) return shown.substr(0, i);
    }
    return shown;
}

// Takes the lines rewritten in place off the screen.
std::string EraseLive() {
    if (!g_tty.rewrite || g_tty.liveLines == 0) return "";
    std::string erase = "\r";
    if (g_tty.liveLines > 1) erase += "\x1b[" + std::to_string(g_tty.liveLines - 1) + "A";
    g_tty.liveLines = 0;
    return erase + "\x1b[J";
}

// The report's lines completed since the last call, each printed once.
std::string NewLines() {
    const std::string& text = g_tty.report.text;
    size_t end = text.rfind("\r\n");
    if (end == std::string::npos || end + 2 <= g_tty.printed) return "";
    std::string lines = ShowText(text.substr(g_tty.printed, end + 2 - g_tty.printed));
    g_tty.printed = end + 2;
    return lines;
}

// The title, and the enabled buttons as their keys.
std::string StatusLine(bool withKeys) {
    std::string line = g_tty.title;
    if (!withKeys) return line;
    if (g_tty.start.enabled) line += "   [p] " + g_tty.start.text;
    if (g_tty.cancel.enabled) line += "   [q] " + g_tty.cancel.text;
    return line;
}

// Prints the new complete lines and, on a terminal, the open line and the
// status lines in place of the last ones; final leaves them on the screen.
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
            WriteAll(g_tty.tty, question);
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
    OutAndAsk(yes ? "s\n" : "n\n", asking);
    return yes;
}

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
int ShowBox(const char* text, const char* title, uint32_t style) {
    std::string out = ShowText(title) + "\n";
    std::string body = text;
    size_t start = 0;
    for (;;) {
        size_t end = body.find('\n', start);
        out += "  " + ShowText(body.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        out += "\n";
        start = end + 1;
    }
    if ((style & 0x0F) != BOX_YES_NO) {
        Out(EraseLive() + NewLines() + out + "\n");
        return ANSWER_OK;
    }
    bool defaultYes = (style & BOX_DEFAULT_SECOND) == 0;
    out += defaultYes ? " [S/n] " : " [s/N] ";
    return Ask(out, defaultYes, g_tty.settings.answering) ? ANSWER_YES : ANSWER_NO;
}

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

// ---- join/sink.h --------------------------------------------------------------

int ShowMessageBox(ViewWindow, const char* text, const char* title, uint32_t style) {
    int answer = 0;
    CallOnMainThread([&] { answer = ShowBox(text, title, style); });
    return answer;
}

namespace {
struct ViewBrushTag {};
ViewBrushTag g_brush;
}  // namespace

// The terminal has no brush; the job only needs a handle that is not null.
ViewBrush CreateReportBrush() { return reinterpret_cast<ViewBrush>(&g_brush); }
void DeleteReportBrush(ViewBrush) {}

void SendToDialog(ViewWindow, uint32_t message) {
    CallOnMainThread([message] { DispatchWorkerMessage(message); });
}

// ---- ui/view.h -----------------------------------------------------------------

uint32_t GetReportLength(ViewWindow box) {
    return static_cast<uint32_t>(ControlOf(box)->text.size());
}

void SetReportSelection(ViewWindow box, uint32_t start, uint32_t end) {
    uint32_t length = static_cast<uint32_t>(ControlOf(box)->text.size());
    g_tty.selectionStart = start < length ? start : length;
    g_tty.selectionEnd = end < length ? end : length;
}

// The report changes only at its end, within the open line: what is printed
// stays as it was.
void ReplaceReportSelection(ViewWindow box, const char* text) {
    std::string& content = ControlOf(box)->text;
    uint32_t start = g_tty.selectionStart;
    uint32_t end = g_tty.selectionEnd < start ? start : g_tty.selectionEnd;
    content.replace(start, end - start, text);
    g_tty.selectionStart = g_tty.selectionEnd = start + static_cast<uint32_t>(std::string(text).size());
    if (g_tty.printed > content.size()) g_tty.printed = content.size();
}

ViewWindow GetDialogControl(ViewWindow, int id) {
    Control* control = ById(id);
    return control != nullptr ? WindowOf(*control) : nullptr;
}

void LiftReportLimit(ViewWindow) {}

void SetControlText(ViewWindow, int id, const char* text) {
    if (Control* control = ById(id)) control->text = text;
}

void EnableControl(ViewWindow control, bool enable) {
    if (control != nullptr) ControlOf(control)->enabled = enable;
}

// Only the check box is read, once the join is found good: asked then, with
// the report's lines so far printed above the question.
bool IsControlChecked(ViewWindow control) {
    if (ControlOf(control) != &g_tty.deleteInputs) return false;
    if (!g_tty.deleteAsked) {
        g_tty.deleteAsked = true;
        ReleaseReport();
        Answering answering = g_tty.settings.deleteParts ? Answering::Yes
                              : g_tty.settings.answering != Answering::Ask ? Answering::No
                                                                           : Answering::Ask;
        g_tty.deleteAnswer = Ask(ShowText(g_tty.deleteInputs.text) + " [s/N] ", false, answering);
    }
    return g_tty.deleteAnswer;
}

void SetMainTitle(ViewWindow, const char* text) { g_tty.title = text; }

void RepaintDialog(ViewWindow) {}

void DestroyMainWindow(ViewWindow) { g_tty.destroyed = true; }

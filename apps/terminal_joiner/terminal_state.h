// What the files of the terminal joiner's face share (terminal.cpp: the
// keys, the signals, the questions and the loop; terminal_screen.cpp: what
// is printed and rewritten in place; terminal_view.cpp: ui/view.h and
// join/sink.h on them): the dialog's model controls and the terminal's
// state, touched only on the main thread.
#ifndef SELVANORE_APPS_TERMINAL_JOINER_TERMINAL_STATE_H
#define SELVANORE_APPS_TERMINAL_JOINER_TERMINAL_STATE_H

#include <pthread.h>
#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "apps/terminal_joiner/options.h"
#include "ui/view.h"

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


extern Terminal g_tty;

inline Control* ControlOf(ViewWindow window) { return reinterpret_cast<Control*>(window); }
inline ViewWindow WindowOf(Control& control) { return reinterpret_cast<ViewWindow>(&control); }

// ---- terminal_screen.cpp ------------------------------------------------------

// Writes all of text to fd, waiting while a non-blocking terminal is full;
// a closed pipe or a hung-up terminal ends it (the join goes on).
void WriteText(int fd, const std::string& text);
// To the standard output.
void Out(const std::string& text);
// What a question shows where it is answered: on the controlling terminal
// when the standard output is elsewhere (a log, a pipe), which shows it too.
void OutAndAsk(const std::string& text, bool asking);
// Takes the lines rewritten in place off the screen.
std::string EraseLive();
// The report's lines completed since the last call, each printed once.
std::string NewLines();
// Prints the new complete lines and, on a terminal, the open line and the
// status lines in place of the last ones; final leaves them on the screen.
void Render(bool final);

// ---- terminal.cpp ----------------------------------------------------------------

// Prints a question (after the report's new lines) and answers it: as the
// command line says, else on the terminal; after an interruption, or with
// nobody to answer, no. The answer is printed after the question.
bool Ask(const std::string& question, bool defaultYes, Answering answering);
// Runs task on the main thread and returns once it has run: at once on the
// main thread, from a worker through the loop.
void CallOnMainThread(const std::function<void()>& task);

#endif

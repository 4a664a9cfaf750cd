// The terminal face of the join dialog: ui/view.h and join/sink.h on a
// terminal or a pipe. The report box is a text model: its complete lines are
// printed once; on a terminal its open line and two status lines (the title
// and the buttons as keys, the two time labels) are rewritten in place under
// them, and piped nothing is rewritten. Message boxes are printed; a Yes/No
// box and the check box are prompts asked on the controlling terminal
// (also shown on the standard output when that is elsewhere), answered no
// when nobody can answer. The worker's synchronous send, and any box it
// shows, run on the main thread, which also reads the keys on that terminal
// while the run is in the foreground (p: Comenzar/Pausa/Continuar, q:
// Anular) and the signals (SIGINT, SIGTERM, SIGHUP cancel as Anular does).
#ifndef SELVANORE_APPS_TERMINAL_JOINER_TERMINAL_H
#define SELVANORE_APPS_TERMINAL_JOINER_TERMINAL_H

#include <poll.h>

#include "apps/terminal_joiner/options.h"
#include "ui/view.h"

// Takes the terminal: the signals that cancel are caught and SIGPIPE
// ignored; the controlling terminal is opened and, while the run is its
// foreground job, its keys are read one by one without echo. Returns 0 when
// that cannot be set up.
int OpenTerminal(const TerminalSettings& settings);
// Prints what is left of the report (and on a terminal the last status
// lines), waits until no worker is inside a send and, in the foreground,
// gives the terminal its settings back.
void CloseTerminal();

// The dialog, whose controls the view's functions take.
ViewWindow TerminalDialog();

// Runs the dialog while a worker runs (Running to Cancelling): keys, signals
// and the worker's messages, until the job has ended.
void RunTerminalLoop();

// Whether a signal that cancels has come.
bool TerminalInterrupted();

// The poll(2) that the loop and the questions wait with: poll itself unless
// a test puts in another, one that fails.
using TerminalPoll = int (*)(pollfd* watched, nfds_t count, int timeout);
void UseTerminalPoll(TerminalPoll function);

#endif

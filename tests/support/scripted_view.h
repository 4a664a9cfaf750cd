// A window system for tests: model controls, recorded message boxes with
// scripted answers, and a UI loop on the test's own thread that runs the
// dialog's handlers of the worker's messages while the worker waits.
#ifndef SELVANORE_TESTS_SUPPORT_SCRIPTED_VIEW_H
#define SELVANORE_TESTS_SUPPORT_SCRIPTED_VIEW_H

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ui/view.h"

struct RecordedBox {
    ViewWindow owner;
    std::string text;
    std::string title;
    uint32_t style;
};

struct ModelControl {
    int id = 0;
    std::string text;
    bool enabled = true;
    bool checked = false;
};

struct ScriptedView {
    std::mutex mutex;
    std::condition_variable changed;

    // The dialog and its six controls; the title is the main window's.
    ModelControl dialog, report, start, cancel, deleteInputs, elapsed, remaining;
    std::string title;
    bool limitLifted = false;
    bool mainWindowDestroyed = false;
    int repaints = 0;

    // The report box's selection and the requests made of it.
    uint32_t selectionStart = 0, selectionEnd = 0;
    int lengthRequests = 0, selectRequests = 0, replaceRequests = 0;

    std::vector<RecordedBox> boxes;
    std::deque<int> answers;  // answers to Yes/No boxes, in order
    // Runs inside each message box, on the thread that shows it.
    std::function<void(const RecordedBox&)> insideBox;

    bool failBrush = false;
    int brushesAlive = 0;

    // The worker's messages: sent, handled, and the handled ones in order.
    std::deque<uint32_t> pending;
    uint64_t sent = 0, handled = 0;
    std::vector<uint32_t> messages;
    // Runs on the UI thread right after the dialog's handler of each message,
    // while the worker still waits in its send.
    std::function<void(uint32_t)> afterHandler;
    // The progress shown as late as Windows may show it (ScheduleProgressDisplay
    // posts): after the handler of the worker's next message that is not a
    // progress one, instead of at once.
    bool deferProgress = false;
    bool progressAsked = false;
};

extern ScriptedView g_view;

// Forgets everything and gives the controls their ids.
void ResetScriptedView();
ViewWindow DialogWindow();
std::vector<RecordedBox> RecordedBoxes();
std::string ReportText();

// Runs the UI loop on the calling thread until the worker's closing message
// has been handled. Returns false (and fails the test) after limitSeconds
// without a message.
bool RunUiLoopUntilJobEnds(int limitSeconds = 60);

#endif

// A window system for tests: message boxes are recorded and answered from a
// script, brushes are tokens.
#ifndef SELVANORE_TESTS_SUPPORT_SCRIPTED_VIEW_H
#define SELVANORE_TESTS_SUPPORT_SCRIPTED_VIEW_H

#include <deque>
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

struct ScriptedView {
    std::mutex mutex;
    std::vector<RecordedBox> boxes;
    std::deque<int> answers;  // answers to Yes/No boxes, in order
    bool failBrush = false;
    int brushesAlive = 0;
};

extern ScriptedView g_view;

// Forgets every recorded box and scripted answer.
void ResetScriptedView();
std::vector<RecordedBox> RecordedBoxes();

#endif

#include "tests/support/scripted_view.h"

#include <gtest/gtest.h>

ScriptedView g_view;

namespace {
struct ViewBrushTag {};
ViewBrushTag g_brushToken;
}  // namespace

void ResetScriptedView() {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    g_view.boxes.clear();
    g_view.answers.clear();
    g_view.failBrush = false;
    g_view.brushesAlive = 0;
}

std::vector<RecordedBox> RecordedBoxes() {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    return g_view.boxes;
}

int ShowMessageBox(ViewWindow owner, const char* text, const char* title, uint32_t style) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    g_view.boxes.push_back({owner, text, title, style});
    if ((style & 0x0F) != BOX_YES_NO) return ANSWER_OK;
    if (g_view.answers.empty()) {
        ADD_FAILURE() << "no scripted answer for the box \"" << text << "\"";
        return ANSWER_NO;
    }
    int answer = g_view.answers.front();
    g_view.answers.pop_front();
    return answer;
}

ViewBrush CreateReportBrush() {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    if (g_view.failBrush) return nullptr;
    ++g_view.brushesAlive;
    return reinterpret_cast<ViewBrush>(&g_brushToken);
}

void DeleteReportBrush(ViewBrush brush) {
    std::lock_guard<std::mutex> lock(g_view.mutex);
    if (brush != nullptr) --g_view.brushesAlive;
}

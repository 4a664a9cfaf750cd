// The start-up report (ui/startup_report.cpp): what the record and the
// survey say of the set, the leftovers of an earlier join, the recovery data,
// the size warning and whether the join can start; and the report's lines
// and the controls' enabling that the dialog's commands use as well.
#ifndef SELVANORE_UI_STARTUP_REPORT_H
#define SELVANORE_UI_STARTUP_REPORT_H

#include <cstdint>
#include <vector>

// Writes the start-up report and the controls' texts; true when Comenzar
// may start the join (every part there, or rebuildable). A size warning's
// box may open on the way.
bool WriteStartupReport();

// The three controls: disabled before any box of the dialog is shown, so
// that nobody takes a posted click for a command meanwhile.
void EnableControls(bool enable);

// A line of the report that names a part: prefix, the part's name quoted,
// end.
void AppendPartLine(const char* prefix, uint32_t index, const char* end);

// By part, with recovery data: whether the report has said that the part is
// missing or damaged, and that it is being rebuilt.
extern std::vector<uint8_t> g_partTold;
extern std::vector<uint8_t> g_partAnnounced;

#endif

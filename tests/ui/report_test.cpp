// The report box and title operations, the progress display and the
// start-up report, each driven directly on the scripted view.
#include <gtest/gtest.h>

#include <string>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/survey.h"
#include "tests/support/fake_tick.h"
#include "tests/support/scripted_view.h"
#include "ui/dialog.h"
#include "ui/dialog_record.h"
#include "ui/progress.h"
#include "ui/report.h"

namespace {

class Display : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScriptedView();
        g_join = JoinState{};
        g_dialog = DialogRecord{};
        g_dialog.window = DialogWindow();
        g_dialog.reportBox = GetDialogControl(DialogWindow(), ID_REPORT_BOX);
        g_dialog.startButton = GetDialogControl(DialogWindow(), ID_START_BUTTON);
        g_dialog.cancelButton = GetDialogControl(DialogWindow(), ID_CANCEL_BUTTON);
        g_dialog.deleteInputsBox = GetDialogControl(DialogWindow(), ID_DELETE_INPUTS_BOX);
        g_join.outputName = "v.avi";
        g_join.partCount = 10;
        g_join.inputTotal = 1000;
        g_tick = 5000;
        g_tickStep = 0;
        BeginProgressDisplay();
    }
    void TearDown() override {
        ReleaseJob();
        g_join = JoinState{};
    }

    void Notify(uint32_t part, uint32_t partPercent, uint64_t done = 0) {
        g_join.progressPart = part;
        g_join.progressPartPercent = partPercent;
        g_join.progressDone = done;
        OnJoinProgress();
    }
};

TEST_F(Display, ReportLinesAndTheirBreaks) {
    AppendReportLine("%s", "");
    EXPECT_EQ(ReportText(), "\r\n");
    AppendReportText("abc");
    AppendReportLine("%u-%s", 7u, "x");
    EXPECT_EQ(ReportText(), "\r\nabc7-x\r\n");

    // A line longer than 519 characters is cut and still ends with a break.
    std::string longName(600, 'n');
    AppendReportLine("\"%s\"", longName.c_str());
    std::string expected = "\r\nabc7-x\r\n\"" + std::string(518, 'n') + "\r\n";
    EXPECT_EQ(ReportText(), expected);

    // The pause notice comes off again exactly.
    AppendReportText(PAUSE_NOTICE);
    TrimReportTail(PAUSE_NOTICE_LENGTH);
    EXPECT_EQ(ReportText(), expected);
}

// Held edits, tail replacements among them, reach the box as one edit that
// leaves the text the same edits made one by one would have left.
TEST_F(Display, HeldEditsAreOneEditOfTheSameText) {
    AppendReportText("line\r\n\"a\"   40%");
    int before = g_view.replaceRequests;
    HoldReport();
    ReplaceReportTail(6, "  100%");  // the box's tail
    AppendReportText("\r\n\"b\"    0%");
    ReplaceReportTail(4, "  5%");    // within what is held
    EXPECT_EQ(g_view.replaceRequests, before);
    ReleaseReport();
    EXPECT_EQ(g_view.replaceRequests, before + 1);
    EXPECT_EQ(ReportText(), "line\r\n\"a\"  100%\r\n\"b\"    5%");

    HoldReport();
    AppendReportText("zz");
    ReplaceReportTail(5, "!");       // through the held text into the box
    ReleaseReport();
    EXPECT_EQ(g_view.replaceRequests, before + 2);
    EXPECT_EQ(ReportText(), "line\r\n\"a\"  100%\r\n\"b\"   !");

    // Nothing held, nothing edited.
    HoldReport();
    ReleaseReport();
    EXPECT_EQ(g_view.replaceRequests, before + 2);
}

TEST_F(Display, StatusTitles) {
    g_join.progressPercent = 0;
    SetTitleStatus("Concatenación en curso...");
    EXPECT_EQ(g_view.title, "0% - Concatenación en curso...");
    g_join.progressPercent = 100;
    SetTitleStatus("Error durante la concatenación");
    EXPECT_EQ(g_view.title, "100% - Error durante la concatenación");
    SetTitleStatus(std::string(60, 's').c_str());
    EXPECT_EQ(g_view.title, "100% - " + std::string(42, 's'));
    EXPECT_EQ(g_view.title.size(), 49u);
}

TEST_F(Display, FirstNotificationAndTheLabels) {
    g_dialog.startTick = 5000;
    Notify(0, 0);
    EXPECT_EQ(ReportText(), "\"v.avi__000\"    0%");
    EXPECT_EQ(g_view.elapsed.text, "Tiempo transcurrido : 00:00:00");
    EXPECT_EQ(g_view.remaining.text, "Tiempo restante : 00:00:00");
    EXPECT_EQ(g_view.title, "0% - Concatenación en curso...");

    // Half done after 10 s: 10 s to go. The tick wraps without harm.
    g_dialog.startTick = 0xFFFFFFFFu - 4999;
    g_join.progressPercent = 50;
    Notify(0, 50, 500);
    EXPECT_EQ(g_view.elapsed.text, "Tiempo transcurrido : 00:00:10");
    EXPECT_EQ(g_view.remaining.text, "Tiempo restante : 00:00:10");
    EXPECT_EQ(g_view.title, "50% - Concatenación en curso...");
}

TEST_F(Display, PercentageTails) {
    const struct {
        uint32_t percent;
        const char* tail;
    } cases[] = {{0, "    0%"}, {9, "    9%"}, {10, "   10%"}, {99, "   99%"},
                 {100, "  100%"}, {150, "  100%"}, {0xFFFFFFFFu, "  100%"}};
    for (const auto& c : cases) {
        Notify(0, c.percent);
        EXPECT_EQ(ReportText(), std::string("\"v.avi__000\"") + c.tail) << c.percent;
    }
}

// Also before the first shown: a display late enough to miss the first
// notifications still names every part from the first.
TEST_F(Display, PartsJoinedWholeBetweenTwoNotifications) {
    Notify(2, 40);
    Notify(5, 7);
    EXPECT_EQ(ReportText(),
              "\"v.avi__000\"  100%\r\n"
              "\"v.avi__001\"  100%\r\n"
              "\"v.avi__002\"  100%\r\n"
              "\"v.avi__003\"  100%\r\n"
              "\"v.avi__004\"  100%\r\n"
              "\"v.avi__005\"    7%");
}

TEST_F(Display, PauseNoticeFollowsTheTail) {
    Notify(1, 30);
    g_tick = 7000;
    OnJoinPaused();
    EXPECT_EQ(g_dialog.pauseTick, 7000u);
    EXPECT_EQ(ReportText(), "\"v.avi__000\"  100%\r\n\"v.avi__001\"   30%  ** PAUSA **");
    EXPECT_EQ(g_view.title, "0% - Pausa");
    EXPECT_EQ(g_view.start.text, "Continuar");
}

// ---- The start-up report ------------------------------------------------------

TEST_F(Display, ARecordThatNamesNoParts) {
    for (uint32_t count : {0u, 1u}) {
        ResetScriptedView();
        g_join.partCount = count;
        g_join.expectedSize = 5;  // would warn, but the size check is not run
        InitJoinDialog(DialogWindow());
        EXPECT_EQ(ReportText(),
                  "Este archivo de auto-concatenación no a sido creado por Vantorel.\r\n"
                  "Haga click en el botón [Anular].\r\n");
        EXPECT_FALSE(g_view.start.enabled);
        EXPECT_FALSE(g_view.deleteInputs.enabled);
        EXPECT_TRUE(g_view.cancel.enabled);
        EXPECT_EQ(g_view.cancel.text, "Anular");
        EXPECT_TRUE(g_view.limitLifted);
        EXPECT_TRUE(RecordedBoxes().empty());
        // Anular ends the program.
        OnCancelButton();
        EXPECT_TRUE(g_view.mainWindowDestroyed);
    }
}

TEST_F(Display, ControlTextsAtStartUp) {
    g_join.partCount = 2;
    g_join.expectedSize = 1000;
    InitJoinDialog(DialogWindow());
    EXPECT_EQ(g_view.start.text, "Comenzar");
    EXPECT_EQ(g_view.cancel.text, "Anular");
    EXPECT_EQ(g_view.deleteInputs.text, "Elimine los archivos de entrada después de la concatenación.");
    EXPECT_EQ(g_view.elapsed.text, "Tiempo transcurrido : --:--:--");
    EXPECT_EQ(g_view.remaining.text, "Tiempo restante : --:--:--");
    EXPECT_TRUE(g_view.start.enabled);
}

TEST_F(Display, UnreadablePartsRefuseTheJoin) {
    for (uint32_t unreadable : {1u, 2u}) {
        ResetScriptedView();
        g_join.partCount = 3;
        g_join.unreadableCount = unreadable;
        g_join.expectedSize = 1;  // differs, but no size check follows
        InitJoinDialog(DialogWindow());
        std::string tail = unreadable == 1 ? "No se puede leer un archivo de entrada.\r\n"
                                           : "No se puede leer 2 archivos de entrada.\r\n";
        tail += "La concatenación es imposible.\r\nHaga click en el botón [Anular].\r\n";
        std::string report = ReportText();
        ASSERT_GE(report.size(), tail.size());
        EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
        EXPECT_FALSE(g_view.start.enabled);
        EXPECT_TRUE(RecordedBoxes().empty());
    }
}

TEST_F(Display, AChecksumTextIsShownLiterally) {
    g_join.partCount = 2;
    g_join.inputTotal = g_join.expectedSize = 7;
    g_join.engine = CreateHashEngine(CHECKSUM_MD5);
    g_join.expectedChecksum = "%s%n%%";
    InitJoinDialog(DialogWindow());
    EXPECT_NE(ReportText().find("\r\nChecksum (MD5) :\r\n%s%n%%\r\n\r\nTodos"), std::string::npos);
}

// The warning's sizes take "byte." below 2; the recorded size, in the report
// and in the box, is always in "bytes.". The three controls are off while
// the box is open.
TEST_F(Display, SizeWarning) {
    const struct {
        uint64_t total;
        uint64_t recorded;
        const char* line;
        const char* last;
    } cases[] = {
        {0, 1, "El tamaño de los archivos de entrada no es válido : 0 byte.", "Tamaño del nuevo archivo: 0 byte."},
        {1, 0, "El tamaño de los archivos de entrada no es válido : 1 byte.", "Tamaño del nuevo archivo: 1 byte."},
        {2, 7, "El tamaño de los archivos de entrada no es válido : 2 bytes.", "Tamaño del nuevo archivo: 2 bytes."},
        {1234567, 7, "El tamaño de los archivos de entrada no es válido : 1.234.567 bytes.",
         "Tamaño del nuevo archivo: 1.234.567 bytes."},
    };
    for (const auto& c : cases) {
        ResetScriptedView();
        g_join.partCount = 2;
        g_join.expectedSize = c.recorded;
        g_join.inputTotal = c.total;
        bool controlsOff = false;
        g_view.insideBox = [&](const RecordedBox&) {
            controlsOff = !g_view.start.enabled && !g_view.cancel.enabled && !g_view.deleteInputs.enabled;
        };
        InitJoinDialog(DialogWindow());
        std::string recorded = std::to_string(c.recorded) + " bytes.";
        std::string tail = std::string("Haga click en el botón [Comenzar] para empezar la concatenación.\r\n"
                                       "\r\n** Advertencia **\r\n") + c.line + "\r\n";
        std::string report = ReportText();
        EXPECT_NE(report.find("\r\nTamaño : " + recorded + "\r\n"), std::string::npos) << report;
        EXPECT_EQ(report.substr(report.size() - tail.size()), tail);
        auto boxes = RecordedBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text,
                  std::string("El tamaño de los archivos de entrada no son válidos. Esto significa que al "
                              "menos un archivo a sido modificado desde la división.\n"
                              "Si abre la concatenación, el archivo de salida será diferente al original.\n"
                              "Tamaño del archivo original : ") + recorded + "\n" + c.last);
        EXPECT_EQ(boxes[0].title, "Vantorel - Advertencia");
        EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(BOX_OK | BOX_ICON_WARNING));
        EXPECT_TRUE(controlsOff);
        EXPECT_TRUE(g_view.start.enabled) << "only a warning";
    }
    // Equal sizes: nothing at all.
    ResetScriptedView();
    g_join.expectedSize = g_join.inputTotal = 5;
    InitJoinDialog(DialogWindow());
    EXPECT_TRUE(RecordedBoxes().empty());
    EXPECT_EQ(ReportText().find("Advertencia"), std::string::npos);
}

}  // namespace

#include "ui/closing.h"

#include "hash/hash.h"
#include "join/completion.h"
#include "join/join_state.h"
#include "join/text.h"
#include "platform/platform.h"
#include "ui/dialog_record.h"
#include "ui/report.h"
#include "ui/view.h"

namespace {

JoinEnd g_end = JoinEnd::None;

const char kClickExit[] = "Haga click en el botón [Salida].";

// The start of every closing handler: no command may reach the job while a
// box of the handler waits for the user.
void BeginEndFrame() {
    EnableControl(g_dialog.startButton, false);
    EnableControl(g_dialog.cancelButton, false);
    EnableControl(g_dialog.deleteInputsBox, false);
    if (g_dialog.workerThread != nullptr) CloseThreadHandle(g_dialog.workerThread);
}

// The end of every closing handler: only "Salida" is left.
void EndFrame() {
    EnableControl(g_dialog.cancelButton, true);
    g_dialog.workerThread = nullptr;
    StoreFlag(g_join.pauseRequested, 0);
    SignalEvent(g_join.pauseEvent);
    RepaintDialog(g_dialog.window);
}

// How the joined file, under its temporary name, may take the output's name.
enum class Keeping {
    None,       // deleted
    Replacing,  // over whatever holds the name: after a good join or an explicit Yes
    IfFree,     // only when nothing holds the name: a join known to be bad never
                // replaces a file without the user's word
};

// The verdict's report lines: the checksum's, or without a checksum the
// written size when it is not the recorded one, else the first part whose
// size changed after start-up, with the size it had at its turn.
void ReportVerdict(const JoinVerdict& verdict) {
    if (CHash* engine = g_join.engine) {
        AppendReportLine(verdict.valid ? "Checksum válido (%s) :" : "Checksum inválido (%s) :",
                         engine->m_name);
        // The field holds at most 80 characters; never read beyond it.
        AppendReportLine("Entrada : %.80s", g_join.expectedChecksum);
        AppendReportLine("Salida : %s", verdict.digest);
        AppendReportLine("%s", "");
    } else if (g_join.progressDone != g_join.expectedSize) {
        AppendReportLine("El tamaño del archivo de salida no es válido : %s %s",
                         FormatSize(g_join.progressDone).text, BytesWord(g_join.progressDone));
        AppendReportLine("Tamaño del archivo original : %s bytes.",
                         FormatSize(g_join.expectedSize).text);
        AppendReportLine("%s", "");
    } else if (g_join.changedPart != 0) {
        char name[kNameCapacity];
        PartName(g_join.changedPart - 1, name);
        AppendReportLine("\"%s\"", name);
        AppendReportLine("El tamaño de los archivos de entrada no es válido : %s %s",
                         FormatSize(g_join.changedPartSize).text, BytesWord(g_join.changedPartSize));
        AppendReportLine("%s", "");
    }
    // With a checksum list: each part whose own checksum was wrong, by name,
    // so that the recipient asks for that part again.
    bool named = false;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (!PartFailedItsCheck(i)) continue;
        char name[kNameCapacity];
        PartName(i, name);
        AppendReportLine("La parte \"%s\" no es válida.", name);
        named = true;
    }
    if (named) AppendReportLine("%s", "");
}

// Shows the box for a file that could not be deleted.
void ReportUndeletable(const char* name) {
    char message[kMessageCapacity];
    FormatText(message, sizeof message, "Imposible suprimir el archivo :\n\"%s\"", name);
    ShowDialogBox(message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
}

// Deletes the joined file; when it stays, the box names it.
bool DeleteJoinedFile() {
    if (DeleteOutput()) return true;
    ReportUndeletable(g_join.tempName);
    return false;
}

// Deletes every part, with a box for each that cannot be deleted.
void DeleteParts() {
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        char name[kNameCapacity];
        if (!DeletePart(i, name)) ReportUndeletable(name);
    }
}

// Gives the joined file the output's name. When that fails, the file is
// deleted (never a file of the output's name) and the user is told, with the
// creation's box: the output could not be made.
bool Publish(Keeping keeping) {
    if (PublishOutput(keeping == Keeping::Replacing)) return true;
    char message[kMessageCapacity];
    FormatText(message, sizeof message, "%s\n\"%s\"",
               "Un error a ocurrido durante la creación del siguiente archivo :", g_join.outputName);
    ShowDialogBox(message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
    DeleteJoinedFile();
    return false;
}

// The keep question after a bad checksum: Yes keeps the output, replacing;
// only an explicit No deletes it; a box that could not be shown answers 0,
// which keeps it where nothing holds the name.
Keeping AskKeepOutput() {
    int answer = ShowDialogBox("El checksum no es válido.\n¿Desea conservar el archivo de salida?",
                               TITLE_WARNING, BOX_YES_NO | BOX_ICON_WARNING);
    if (answer == ANSWER_YES) return Keeping::Replacing;
    if (answer != ANSWER_NO) return Keeping::IfFree;
    if (DeleteJoinedFile()) AppendReportLine("Borrando el archivo de salida...");
    return Keeping::None;
}

}  // namespace

JoinEnd GetJoinEnd() { return g_end; }

void OnJoinDone() {
    BeginEndFrame();
    SetControlText(g_dialog.window, ID_CANCEL_BUTTON, "Salida");
    HoldReport();
    AppendReportLine("%s", "");
    AppendReportLine("%s", "");

    JoinVerdict verdict = JudgeJoin();
    ReportVerdict(verdict);
    Keeping keeping = Keeping::Replacing;
    if (!verdict.valid) {
        // After a bad checksum the user decides; without a checksum a wrong
        // size or a changed part keeps the output without asking, where
        // nothing holds its name.
        keeping = g_join.engine != nullptr ? AskKeepOutput() : Keeping::IfFree;
    }
    bool kept = keeping != Keeping::None && Publish(keeping);
    g_end = verdict.valid && kept ? JoinEnd::Joined : JoinEnd::NotJoined;
    if (!verdict.valid || !kept) {
        // The inputs stay, whatever the check box says.
        AppendReportLine("Concatenación no exitosa.");
        SetTitleStatus("Concatenación no exitosa");
    } else {
        AppendReportLine("Concatenación exitosa.");
        if (IsControlChecked(g_dialog.deleteInputsBox)) {
            AppendReportLine("Borrando archivos de entrada...");
            // Shown while the parts are deleted, which takes its time.
            ReleaseReport();
            DeleteParts();
        }
        SetTitleStatus("Concatenación exitosa");
    }
    AppendReportLine(kClickExit);
    ReleaseReport();
    EndFrame();
}

void OnJoinCancelled() {
    BeginEndFrame();
    g_end = JoinEnd::Cancelled;
    // The joined file goes; a file of the output's name was never touched.
    if (g_join.outputCreated) DeleteJoinedFile();
    HoldReport();
    AppendReportLine("%s", "");
    AppendReportLine("%s", "");
    AppendReportLine("La concatenación ha sido cancelada.");
    AppendReportLine(kClickExit);
    ReleaseReport();
    SetTitleStatus("Concatenación anulada");
    SetControlText(g_dialog.window, ID_CANCEL_BUTTON, "Salida");
    EndFrame();
}

void OnJoinFailed() {
    BeginEndFrame();
    g_end = JoinEnd::Failed;
    SetControlText(g_dialog.window, ID_CANCEL_BUTTON, "Salida");
    SetTitleStatus("Error durante la concatenación");
    // The joined file goes, when the worker made one; a file of the
    // output's name was never touched.
    if (g_join.outputCreated) DeleteJoinedFile();
    HoldReport();
    AppendReportLine("%s", "");
    AppendReportLine("%s", "");
    AppendReportLine("Error durante la concatenación.");
    AppendReportLine("La concatenación ha sido cancelada.");
    ReleaseReport();
    EndFrame();
}

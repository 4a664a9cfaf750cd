#include "join/completion.h"

#include <cstring>
#include <vector>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/messages.h"
#include "join/text.h"
#include "platform/platform.h"
#include "ui/report.h"
#include "ui/view.h"

namespace {

const char kClickExit[] = "Haga click en el botón [Salida].";

const char* BytesWord(uint64_t count) { return count < 2 ? "byte." : "bytes."; }

// Shows the box for a file that could not be deleted.
void ReportUndeletable(const char* name) {
    char message[1040];
    FormatText(message, sizeof message, "Imposible suprimir el archivo :\n\"%s\"", name);
    ShowMessageBox(g_join.dialogWindow, message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
}

// The start of every closing handler: no command may reach the job while a
// box of the handler waits for the user.
void BeginEndFrame() {
    EnableControl(g_join.startButton, false);
    EnableControl(g_join.cancelButton, false);
    EnableControl(g_join.deleteInputsBox, false);
    CloseThreadHandle(g_join.workerThread);
}

// The end of every closing handler: only "Salida" is left.
void EndFrame() {
    EnableControl(g_join.cancelButton, true);
    g_join.workerThread = nullptr;
    StoreFlag(g_join.pauseRequested, 0);
    SignalEvent(g_join.pauseEvent);
    RepaintDialog(g_join.dialogWindow);
}

}  // namespace

void CheckInputSizes() {
    if (g_join.inputTotal == g_join.expectedSize) return;

    AppendReportLine("%s", "");
    AppendReportLine("** Advertencia **");
    FormatSize(g_join.inputTotal);
    char piece[255];
    FormatText(piece, sizeof piece, "El tamaño de los archivos de entrada no es válido : %s",
               g_join.sizeText);
    AppendReportText(piece);
    AppendReportText(g_join.inputTotal < 2 ? " byte." : " bytes.");
    AppendReportText("\r\n");

    char text[511];
    char expected[255];
    char actual[255];
    FormatSize(g_join.expectedSize);
    FormatText(expected, sizeof expected, "Tamaño del archivo original : %s bytes.\n",
               g_join.sizeText);
    FormatSize(g_join.inputTotal);
    FormatText(actual, sizeof actual, "Tamaño del nuevo archivo: %s %s", g_join.sizeText,
               BytesWord(g_join.inputTotal));
    FormatText(text, sizeof text, "%s%s%s%s",
               "El tamaño de los archivos de entrada no son válidos. Esto significa que al menos "
               "un archivo a sido modificado desde la división.\n",
               "Si abre la concatenación, el archivo de salida será diferente al original.\n",
               expected, actual);
    ShowMessageBox(g_join.dialogWindow, text, TITLE_WARNING, BOX_OK | BOX_ICON_WARNING);
}

int DeleteOutput() {
    if (DeleteNamedFile(g_join.outputName)) return 1;
    ReportUndeletable(g_join.outputName);
    return 0;
}

void DeleteInputs() {
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        char name[kNameCapacity];
        // A cut name names another file: never delete it.
        if (!PartName(i, name) || !DeleteNamedFile(name)) ReportUndeletable(name);
    }
}

void AskKeepOutput() {
    int answer = ShowMessageBox(g_join.dialogWindow,
                                "El checksum no es válido.\n¿Desea conservar el archivo de salida?",
                                TITLE_WARNING, BOX_YES_NO | BOX_ICON_WARNING);
    if (answer == ANSWER_YES) return;
    if (DeleteOutput()) AppendReportLine("Borrando el archivo de salida...");
}

void OnJoinDone() {
    BeginEndFrame();
    SetControlText(g_join.dialogWindow, ID_CANCEL_BUTTON, "Salida");
    AppendReportLine("%s", "");
    AppendReportLine("%s", "");

    bool valid = true;
    if (CHash* engine = g_join.engine) {
        std::vector<char> digest(2 * static_cast<size_t>(engine->m_digestSize) + 1);
        engine->GetDigestText(digest.data());
        // The expected text is the record's 80-byte field, read no further,
        // as in the start-up report.
        valid = std::strncmp(digest.data(), g_join.expectedChecksum, 80) == 0;
        AppendReportLine(valid ? "Checksum válido (%s) :" : "Checksum inválido (%s) :", engine->m_name);
        AppendReportLine("Entrada : %.80s", g_join.expectedChecksum);
        AppendReportLine("Salida : %s", digest.data());
        AppendReportLine("%s", "");
    }

    if (!valid) {
        // After a bad checksum the inputs stay, whatever the check box says.
        AskKeepOutput();
        AppendReportLine("Concatenación no exitosa.");
        SetTitleStatus("Concatenación no exitosa");
    } else {
        AppendReportLine("Concatenación exitosa.");
        if (IsControlChecked(g_join.deleteInputsBox)) {
            AppendReportLine("Borrando archivos de entrada...");
            DeleteInputs();
        }
        SetTitleStatus("Concatenación exitosa");
    }
    AppendReportLine(kClickExit);
    EndFrame();
}

void OnJoinCancelled() {
    BeginEndFrame();
    DeleteOutput();
    AppendReportLine("%s", "");
    AppendReportLine("%s", "");
    AppendReportLine("La concatenación ha sido cancelada.");
    AppendReportLine(kClickExit);
    SetTitleStatus("Concatenación anulada");
    SetControlText(g_join.dialogWindow, ID_CANCEL_BUTTON, "Salida");
    EndFrame();
}

void OnJoinFailed() {
    BeginEndFrame();
    SetControlText(g_join.dialogWindow, ID_CANCEL_BUTTON, "Salida");
    SetTitleStatus("Error durante la concatenación");
    // When the worker could not even create the output, a file of that name
    // is not this job's: it may be the user's, so it stays.
    if (g_join.outputCreated) DeleteOutput();
    AppendReportLine("%s", "");
    AppendReportLine("%s", "");
    AppendReportLine("Error durante la concatenación.");
    AppendReportLine("La concatenación ha sido cancelada.");
    EndFrame();
}

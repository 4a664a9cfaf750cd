#include "ui/startup_report.h"

#include <cstdint>
#include <vector>

#include "hash/hash.h"
#include "join/completion.h"
#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/sink.h"
#include "text/numbers.h"
#include "text/text.h"
#include "ui/dialog_record.h"
#include "ui/report.h"

std::vector<uint8_t> g_partTold;
std::vector<uint8_t> g_partAnnounced;

void EnableControls(bool enable) {
    EnableControl(g_dialog.startButton, enable);
    EnableControl(g_dialog.cancelButton, enable);
    EnableControl(g_dialog.deleteInputsBox, enable);
}

// The part's name is formatted on its own first.
void AppendPartLine(const char* prefix, uint32_t index, const char* end) {
    char name[kNameCapacity];
    PartName(index, name);
    AppendReportLine("%s\"%s\"%s", prefix, name, end);
}

namespace {

const char kClickCancel[] = "Haga click en el botón [Anular].";

void DisableStart() {
    EnableControl(g_dialog.startButton, false);
    EnableControl(g_dialog.deleteInputsBox, false);
}

// The start-up report's size warning, in the report and in a box, when the
// parts' total size differs from the recorded size. The box is one of the
// start: the three controls are off while it is open.
void CheckInputSizes() {
    if (InputSizesMatch()) return;
    EnableControls(false);

    AppendReportLine("%s", "");
    AppendReportLine("** Advertencia **");
    AppendReportLine("El tamaño de los archivos de entrada no es válido : %s %s",
                     FormatSize(g_join.inputTotal).text, BytesWord(g_join.inputTotal));

    char text[511];
    char expected[255];
    char actual[255];
    FormatText(expected, sizeof expected, "Tamaño del archivo original : %s bytes.\n",
               FormatSize(g_join.expectedSize).text);
    FormatText(actual, sizeof actual, "Tamaño del nuevo archivo: %s %s",
               FormatSize(g_join.inputTotal).text, BytesWord(g_join.inputTotal));
    FormatText(text, sizeof text, "%s%s%s%s",
               "El tamaño de los archivos de entrada no son válidos. Esto significa que al menos "
               "un archivo a sido modificado desde la división.\n",
               "Si abre la concatenación, el archivo de salida será diferente al original.\n",
               expected, actual);
    ShowDialogBox(text, TITLE_WARNING, BOX_OK | BOX_ICON_WARNING);
    EnableControls(true);
}

void ReportLeftover(void* context, const char* name, uint64_t size) {
    bool* first = static_cast<bool*>(context);
    if (*first) AppendReportLine("Archivos temporales de una concatenación anterior :");
    *first = false;
    AppendReportLine("\"%s\" : %s %s", name, FormatSize(size).text, BytesWord(size));
}

// The files an earlier join left in the folder (a run killed where its file
// could not vanish with it), by name and size, so that the user can delete
// them.
void ReportLeftovers() {
    bool first = true;
    FindLeftovers(ReportLeftover, &first);
    if (!first) AppendReportLine("%s", "");
}

// The recovery data's lines of the start-up report: each part missing or
// damaged by name, how many, and the recovery slices present.
void ReportRecoveryData() {
    g_partTold.assign(g_join.partCount, 0);
    g_partAnnounced.assign(g_join.partCount, 0);
    uint32_t toRebuild = PartsToRebuild();
    if (toRebuild != 0) {
        if (g_join.unreadableCount == 1) {
            AppendReportLine("No se puede leer un archivo de entrada.");
        } else if (g_join.unreadableCount > 1) {
            AppendReportLine("No se puede leer %u archivos de entrada.", g_join.unreadableCount);
        }
        for (uint32_t i = 0; i < g_join.partCount; ++i) {
            PartState state = g_join.recovery->states[i];
            if (state == PartState::Missing) AppendPartLine("No se puede leer la parte ", i, ".");
            if (state == PartState::Damaged) AppendPartLine("El tamaño de la parte ", i, " no es válido.");
            g_partTold[i] = state != PartState::Sound;
        }
        AppendReportLine("Partes que faltan o no son válidas : %u.", toRebuild);
    }
    AppendReportLine("Bloques de recuperación presentes : %u.", RecoverySlicesPresent());
    AppendReportLine("%s", "");
}

}  // namespace

// The start-up report, from the record and the survey, and the controls'
// texts; Comenzar only when every part is there.
bool WriteStartupReport() {
    ViewWindow dialog = g_dialog.window;
    LiftReportLimit(g_dialog.reportBox);
    SetControlText(dialog, ID_START_BUTTON, "Comenzar");
    SetControlText(dialog, ID_CANCEL_BUTTON, "Anular");
    SetControlText(dialog, ID_DELETE_INPUTS_BOX,
                   "Elimine los archivos de entrada después de la concatenación.");
    SetControlText(dialog, ID_ELAPSED_LABEL, "Tiempo transcurrido : --:--:--");
    SetControlText(dialog, ID_REMAINING_LABEL, "Tiempo restante : --:--:--");

    if (g_join.partCount < 2) {
        DisableStart();
        AppendReportLine("Este archivo de auto-concatenación no a sido creado por Vantorel.");
        AppendReportLine(kClickCancel);
        return false;
    }

    AppendReportLine("Creación de archivo de salida :");
    AppendReportLine("\"%s\"", g_join.outputName);
    AppendReportLine("Tamaño : %s bytes.", FormatSize(g_join.expectedSize).text);
    AppendReportLine("%s", "");
    AppendReportLine("desde la concatenación de %u archivos de entrada :", g_join.partCount);
    AppendPartLine("desde ", 0, "");
    AppendPartLine("hasta ", g_join.partCount - 1, ".");
    AppendReportLine("%s", "");

    if (g_join.engine != nullptr) {
        AppendReportLine("Checksum (%s) :", g_join.engine->m_name);
        // The field holds at most 80 characters; never read beyond it.
        AppendReportLine("%.80s", g_join.expectedChecksum);
        AppendReportLine("%s", "");
    }

    ReportLeftovers();

    if (g_join.recovery != nullptr) {
        ReportRecoveryData();
        if (PartsToRebuild() != 0 && !CanRebuild()) {
            AppendReportLine("No hay suficientes datos de recuperación para reconstruir las partes.");
            // Parts of a wrong size only: the join may go on after the
            // size warning, as without recovery data.
            if (g_join.unreadableCount != 0) {
                AppendReportLine("La concatenación es imposible.");
                AppendReportLine(kClickCancel);
                DisableStart();
                return false;
            }
            AppendReportLine("%s", "");
        } else if (PartsToRebuild() != 0) {
            AppendReportLine("Las partes serán reconstruidas con los datos de recuperación.");
            AppendReportLine("Haga click en el botón [Comenzar] para empezar la concatenación.");
            CheckInputSizes();
            return true;
        }
    }

    if (g_join.unreadableCount != 0) {
        if (g_join.unreadableCount == 1) {
            AppendReportLine("No se puede leer un archivo de entrada.");
        } else {
            AppendReportLine("No se puede leer %u archivos de entrada.", g_join.unreadableCount);
        }
        // With a checksum list, each part that cannot be read, by name.
        for (uint32_t i = 0; g_join.partChecks != nullptr && i < g_join.partCount; ++i) {
            if (g_join.partChecks[i].unreadable) AppendPartLine("No se puede leer la parte ", i, ".");
        }
        AppendReportLine("La concatenación es imposible.");
        AppendReportLine(kClickCancel);
        DisableStart();
        return false;
    }

    AppendReportLine("Todos los archivos de entrada estan presentes.");
    AppendReportLine("Haga click en el botón [Comenzar] para empezar la concatenación.");
    CheckInputSizes();
    return true;
}

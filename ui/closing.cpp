#include "ui/closing.h"

#include "hash/hash.h"
#include "join/completion.h"
#include "join/join_state.h"
#include "join/rebuild.h"
#include "text/numbers.h"
#include "text/text.h"
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

// How the joined file may take the output's name.
enum class Keeping {
    None,       // deleted
    Replacing,  // a good join, or kept after an explicit Yes: the file the
                // user agreed to replace gives way; another file that took
                // the name is asked about, and the joined file is never lost
    IfFree,     // only when nothing holds the name: a join known to be bad
                // never replaces a file without the user's word
};

// Where the joined file is when the handler ends.
enum class Kept { Output, OwnName, Temporary, Nowhere };

// With recovery data too few to rebuild the parts found damaged while
// joined: each by name (a part its list line named already is not named
// again), how many parts and how many recovery slices.
void ReportNotRebuilt() {
    uint32_t toRebuild = PartsToRebuild();
    if (toRebuild == 0) return;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (g_join.recovery->states[i] != PartState::Damaged || PartFailedItsCheck(i)) continue;
        char name[kNameCapacity];
        PartName(i, name);
        AppendReportLine("La parte \"%s\" no es válida.", name);
    }
    AppendReportLine("Partes que faltan o no son válidas : %u.", toRebuild);
    AppendReportLine("Bloques de recuperación presentes : %u.", RecoverySlicesPresent());
    AppendReportLine("No hay suficientes datos de recuperación para reconstruir las partes.");
    AppendReportLine("%s", "");
}

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
    // so that the recipient asks for that part again. When the whole file's
    // checksum proved the join good, the part was good too: the list's line
    // is what is wrong.
    bool listWrong = g_join.engine != nullptr && verdict.valid;
    bool named = false;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (!PartFailedItsCheck(i)) continue;
        char name[kNameCapacity];
        PartName(i, name);
        if (listWrong) {
            AppendReportLine("La línea de la parte \"%s\" en la lista de checksums no es válida.", name);
        } else {
            AppendReportLine("La parte \"%s\" no es válida.", name);
        }
        named = true;
    }
    if (named) AppendReportLine("%s", "");
    ReportNotRebuilt();
}

// Shows the box for a file that could not be deleted.
void ReportUndeletable(const char* name) {
    char message[kMessageCapacity];
    FormatText(message, sizeof message, "Imposible suprimir el archivo :\n\"%s\"", name);
    ShowDialogBox(message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
}

// Lets the joined file go; when a file of the job's stays, the box names it.
bool DeleteJoinedFile() {
    if (ReleaseOutput()) return true;
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

// Why a name could not be taken, as the boxes say it.
void DescribePlacement(const PlacementResult& result, char* text, size_t capacity) {
    switch (result.placement) {
        case Placement::Taken: FormatText(text, capacity, "%s", "El archivo ya existe."); return;
        case Placement::Folder:
            FormatText(text, capacity, "%s", "Una carpeta tiene el mismo nombre.");
            return;
        case Placement::Denied: FormatText(text, capacity, "%s", "Acceso denegado."); return;
        case Placement::ReadOnly: FormatText(text, capacity, "%s", "El archivo es de sólo lectura."); return;
        case Placement::InUse:
            FormatText(text, capacity, "%s", "El archivo está abierto en otro programa.");
            return;
        case Placement::NoSpace:
            FormatText(text, capacity, "%s", "No hay espacio suficiente en el disco.");
            return;
        default: FormatText(text, capacity, "Error del sistema %u.", result.systemError); return;
    }
}

const char kCreationFailed[] = "Un error a ocurrido durante la creación del siguiente archivo :";

// The joined file was swapped for another file under its temporary name:
// nothing is published, and the other file is left alone.
Kept ReportSwapped() {
    char message[kMessageCapacity];
    FormatText(message, sizeof message,
               "El archivo temporal ha sido reemplazado por otro archivo durante la concatenación :\n"
               "\"%s\"\nEl archivo de salida no ha sido creado.",
               g_join.tempName);
    ShowDialogBox(message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
    ReleaseOutput();
    return Kept::Nowhere;
}

// Says where the joined file was kept instead of the output's name: in the
// report, and in a box with the reason (why the output's name could not be
// taken, or none when the user would not replace the file there).
void ReportKeptAs(const char* name, const PlacementResult* reason) {
    char message[kMessageCapacity];
    if (reason == nullptr) {
        FormatText(message, sizeof message,
                   "El archivo de salida ya existe :\n\"%s\"\n"
                   "El archivo concatenado ha sido guardado como :\n\"%s\"",
                   g_join.outputName, name);
        ShowDialogBox(message, TITLE_WARNING, BOX_OK | BOX_ICON_WARNING);
    } else {
        char why[kMessageCapacity];
        DescribePlacement(*reason, why, sizeof why);
        FormatText(message, sizeof message,
                   "%s\n\"%s\"\n%s\nEl archivo concatenado ha sido guardado como :\n\"%s\"",
                   kCreationFailed, g_join.outputName, why, name);
        ShowDialogBox(message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
    }
    AppendReportLine("El archivo de salida ha sido guardado como :");
    AppendReportLine("\"%s\"", name);
    AppendReportLine("%s", "");
}

// Keeps the joined file under a name of its own beside the output, or where
// no new name can be made, under its temporary name; Nowhere when it can
// have no name at all, *failure then saying why.
Kept KeepElsewhere(const PlacementResult* reason, PlacementResult* failure) {
    PlacementResult result{};
    for (uint32_t n = 2; n < 100; ++n) {
        char name[kNameCapacity];
        if (!FormatOwnName(g_join.outputName, n, name)) break;
        result = PublishOutputAs(name);
        if (result.placement == Placement::Placed) {
            ReportKeptAs(name, reason);
            return Kept::OwnName;
        }
        if (result.placement == Placement::Swapped) {
            *failure = result;
            return ReportSwapped();
        }
        if (result.placement != Placement::Taken) break;
    }
    result = KeepOutputAsTemporary();
    if (result.placement == Placement::Placed) {
        ReportKeptAs(g_join.tempName, reason);
        return Kept::Temporary;
    }
    *failure = result;
    if (result.placement == Placement::Swapped) return ReportSwapped();
    return Kept::Nowhere;
}

// The question after the file the user did not agree to replace was found
// holding the output's name: the words of Comenzar's question. Yes
// agrees to replace that very file.
bool AgreeToReplaceNewcomer() {
    char question[kMessageCapacity];
    FormatText(question, sizeof question, "El archivo de salida ya existe :\n\"%s\"\n¿Desea reemplazarlo?",
               g_join.outputName);
    if (ShowDialogBox(question, TITLE_WARNING, BOX_YES_NO | BOX_ICON_WARNING | BOX_DEFAULT_SECOND) != ANSWER_YES) {
        return false;
    }
    FileIdentity holder{};
    if (IdentifyName(g_join.outputName, &holder) == NameLookup::Absent) holder = FileIdentity{};
    g_join.agreedOutput = holder;
    g_join.replaceAgreed = 1;
    return true;
}

// Gives a join the user wants the output's name, replacing only the file
// the user agreed to replace; a file that took the name since is asked
// about. Where the name cannot be had, the joined file is kept under a name
// of its own and the box says which and why: it is never thrown away.
Kept PlaceJoinedFile() {
    for (;;) {
        PlacementResult reason{Placement::Taken, 0};
        bool declined = false;
        for (uint32_t round = 0; round < 3 && !declined; ++round) {
            reason = PublishOutput(g_join.replaceAgreed ? &g_join.agreedOutput : nullptr);
            if (reason.placement == Placement::Placed) return Kept::Output;
            if (reason.placement == Placement::Swapped) return ReportSwapped();
            if (reason.placement != Placement::Taken) break;
            declined = !AgreeToReplaceNewcomer();
        }
        // A No to the question keeps the joined file beside the file that
        // stays: the box needs no reason then.
        PlacementResult failure{Placement::Failed, 0};
        Kept kept = KeepElsewhere(declined ? nullptr : &reason, &failure);
        if (kept != Kept::Nowhere || failure.placement == Placement::Swapped) return kept;
        // No name at all can be made in the folder: the user may make room or
        // give the permission, and try again.
        char why[kMessageCapacity];
        DescribePlacement(failure, why, sizeof why);
        char question[kMessageCapacity];
        FormatText(question, sizeof question, "%s\n\"%s\"\n%s\n¿Desea intentarlo de nuevo?", kCreationFailed,
                   g_join.outputName, why);
        if (ShowDialogBox(question, TITLE_WARNING, BOX_YES_NO | BOX_ICON_WARNING) != ANSWER_YES) {
            ReleaseOutput();
            return Kept::Nowhere;
        }
    }
}

// A join known to be bad takes the output's name only where nothing holds
// it; otherwise it goes, and the creation's box says the output was not
// made.
Kept PlaceIfFree() {
    if (PublishOutput(nullptr).placement == Placement::Placed) return Kept::Output;
    char message[kMessageCapacity];
    FormatText(message, sizeof message, "%s\n\"%s\"", kCreationFailed, g_join.outputName);
    ShowDialogBox(message, TITLE_ERROR, BOX_OK | BOX_ICON_ERROR);
    DeleteJoinedFile();
    return Kept::Nowhere;
}

// The keep question after a bad checksum: Yes keeps the output; only an
// explicit No deletes it; a box that could not be shown answers 0, which
// keeps it where nothing holds the name.
Keeping AskKeepOutput() {
    int answer = ShowDialogBox("El checksum no es válido.\n¿Desea conservar el archivo de salida?",
                               TITLE_WARNING, BOX_YES_NO | BOX_ICON_WARNING);
    if (answer == ANSWER_YES) return Keeping::Replacing;
    if (answer != ANSWER_NO) return Keeping::IfFree;
    if (DeleteJoinedFile()) AppendReportLine("Borrando el archivo de salida...");
    return Keeping::None;
}

// With a checksum list: whether a part's line disagreed with the part;
// with recovery data, whether a part was missing or damaged (a part
// rebuilt is not among the inputs, which then all stay).
bool AnyPartFailed() {
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (PartFailedItsCheck(i)) return true;
        if (g_join.recovery != nullptr && g_join.recovery->states[i] != PartState::Sound) return true;
    }
    return false;
}

// The closing lines of a cancelled join, once its file is gone.
void EndCancelled() {
    g_end = JoinEnd::Cancelled;
    // The joined file goes; a file of the output's name was never touched.
    DeleteJoinedFile();
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

}  // namespace

JoinEnd GetJoinEnd() { return g_end; }

void OnJoinDone() {
    BeginEndFrame();
    // Anular pressed while the worker flushed the file: accepted, so
    // honoured, since nothing has taken the output's name yet.
    if (LoadFlag(g_join.cancelRequested) != 0) {
        EndCancelled();
        return;
    }
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
    Kept kept = keeping == Keeping::Replacing ? PlaceJoinedFile()
                : keeping == Keeping::IfFree  ? PlaceIfFree()
                                              : Kept::Nowhere;
    // A file that has its name is closed now, before any part is deleted.
    if (kept != Kept::Nowhere) ReleaseOutput();
    g_end = verdict.valid && kept == Kept::Output ? JoinEnd::Joined : JoinEnd::NotJoined;
    if (!verdict.valid || kept == Kept::Nowhere) {
        // The inputs stay, whatever the check box says.
        AppendReportLine("Concatenación no exitosa.");
        SetTitleStatus("Concatenación no exitosa");
    } else {
        AppendReportLine("Concatenación exitosa.");
        // The parts go only when the joined file holds the output's name and
        // no line of a checksum list disagreed with them; otherwise the
        // check box is not even asked (a terminal would ask it).
        if (kept != Kept::Output || AnyPartFailed()) {
            AppendReportLine("Los archivos de entrada no han sido borrados.");
        } else if (IsControlChecked(g_dialog.deleteInputsBox)) {
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
    EndCancelled();
}

void OnJoinFailed() {
    BeginEndFrame();
    g_end = JoinEnd::Failed;
    SetControlText(g_dialog.window, ID_CANCEL_BUTTON, "Salida");
    SetTitleStatus("Error durante la concatenación");
    // The joined file goes, when the worker made one; a file of the
    // output's name was never touched.
    DeleteJoinedFile();
    HoldReport();
    AppendReportLine("%s", "");
    AppendReportLine("%s", "");
    AppendReportLine("Error durante la concatenación.");
    AppendReportLine("La concatenación ha sido cancelada.");
    ReleaseReport();
    EndFrame();
}

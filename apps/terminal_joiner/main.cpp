// selvanore: the joiner in a terminal, the Windows program's dialog and job
// with another face. The record is the program's own (a stamped copy,
// NAME__join) or read from the file given: a Windows joiner read as data and
// never run, or a checksum list. The parts and the output lie beside that
// file; a checksum list there has each part checked as it is joined.
#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "apps/terminal_joiner/options.h"
#include "apps/terminal_joiner/source.h"
#include "apps/terminal_joiner/terminal.h"
#include "apps/terminal_joiner/texts.h"
#include "format/classify.h"
#include "join/join_state.h"
#include "join/survey.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/posix/record_source.h"
#include "text/command_line.h"
#include "text/text.h"
#include "ui/closing.h"
#include "ui/dialog.h"
#include "version.h"

namespace {

void Complain(const std::string& text) { std::fprintf(stderr, "%s: %s\n", kProgramName, text.c_str()); }

// The record that the job reads, and where the parts lie: the working
// directory becomes their folder. Returns 0 after saying why it cannot be had.
int FindRecord(const TtyOptions& options, JoinSource* source) {
    if (options.file.empty()) {
        // An unstamped program names no set: it needs a file to read.
        if (ClassifyRecord(GetOwnRecord()) == RecordKind::Template) {
            Complain(kNotStamped);
            std::fputs(kTtyUsage, stderr);
            std::fputs(TtyHint().c_str(), stderr);
            return 0;
        }
        if (!UseProgramFolder()) {
            Complain(kNoProgramFolder);
            return 0;
        }
        return 1;
    }
    SourceFailure failure;
    if (!ReadJoinSource(options.file, source, &failure)) {
        Complain(DescribeSourceFailure(failure, options.file));
        return 0;
    }
    std::string folder = DirectoryName(options.file);
    if (chdir(folder.c_str()) != 0) {
        Complain(CannotEnterText(folder, std::strerror(errno)));
        return 0;
    }
    UseRecordFrom(source->record, source->hasNameRecord ? source->nameRecord : nullptr);
    return 1;
}

// A list beside the parts, when the record did not come from one: used when
// it is the set's, else said why not, and the join goes on without it.
void FindList(JoinSource* source) {
    if (source->sizeFromParts) return;
    std::string name;
    SourceFailure failure;
    ListBeside found = FindListBeside(GetOwnRecord(), GetOwnNameRecord(), &name, &source->partDigests, &failure);
    if (found == ListBeside::Unusable) {
        Complain(ListAsideText(DescribeSourceFailure(failure, name)));
    }
}

int ExitStatus() {
    JoinEnd end = GetJoinEnd();
    if (end == JoinEnd::Joined) return kExitDone;
    if (end == JoinEnd::Cancelled || TerminalInterrupted()) return kExitInterrupted;
    // A record that names no set (the template of a joiner given).
    if (g_join.partCount < 2) return kExitUsage;
    return kExitFailed;
}

int Run(const TtyOptions& options) {
    static JoinSource source;
    if (!FindRecord(options, &source)) return kExitUsage;
    FindList(&source);

    TerminalSettings settings;
    settings.answering = options.answering;
    settings.deleteParts = options.deleteParts;
    if (!OpenTerminal(settings)) {
        Complain(kNoTerminal);
        return kExitUsage;
    }
    char title[100];
    FormatText(title, sizeof title, kMainTitleFormat, SELVANORE_VERSION_TEXT);
    SetMainTitle(TerminalDialog(), title);

    if ((!source.partDigests.empty() && !UsePartChecksums(source.partDigests)) || !PrepareJob()) {
        ShowMessageBox(nullptr, kStartUpFailed, TITLE_ERROR, BOX_OK);
        ReleaseJob();
        CloseTerminal();
        return kExitUsage;
    }
    // A list gives no size: the recorded size is the parts' total now.
    if (source.sizeFromParts) g_join.expectedSize = g_join.inputTotal;
    InitJoinDialog(TerminalDialog());
    // What the user would do next in the window: press Comenzar.
    if (GetDialogState() == DialogState::Ready && !TerminalInterrupted()) OnStartButton();
    RunTerminalLoop();
    int status = ExitStatus();
    CloseTerminal();
    ReleaseJob();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    TtyOptions options;
    std::string error;
    if (!ParseTtyArguments(argc, argv, &options, &error)) {
        Complain(error);
        std::fputs(kTtyUsage, stderr);
        std::fputs(TtyHint().c_str(), stderr);
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(TtyHelp().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (options.version) {
        std::fputs(VersionText().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    return Run(options);
}

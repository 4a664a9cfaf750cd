#include "apps/terminal_joiner/texts.h"

#include "format/record_layout.h"
#include "text/command_line.h"
#include "text/show.h"
#include "version.h"

const char kProgramName[] = "selvanore";

const char kTtyUsage[] = "usage: selvanore [--yes | --no] [--delete-parts] [FILE]\n";

namespace {

const char kHelpText[] =
    "usage: selvanore [--yes | --no] [--delete-parts] [FILE]\n"
    "       selvanore --help | --version\n"
    "\n"
    "Rebuilds a file cut by vantorel-split from its parts and verifies it, in a\n"
    "terminal: the joiner of the Windows program, with its Spanish messages.\n"
    "\n"
    "  FILE            a Windows joiner NAME__join.exe, whose record is read as\n"
    "                  data and never run, a checksum list NAME.sha256, or\n"
    "                  another file of the set (a part NAME__000, NAME__001...,\n"
    "                  the recovery index NAME.par2), for which the joiner or\n"
    "                  the list beside it is read, in that order; the parts\n"
    "                  and the output are in FILE's folder. Without FILE:\n"
    "                  the record of this copy (NAME__join, stamped by\n"
    "                  vantorel-split --for linux), the parts beside it.\n"
    "  --yes, --no     answer every question (replace an existing file, keep a\n"
    "                  file whose checksum is wrong) yes, or no\n"
    "  --delete-parts  delete the parts after a verified join\n"
    "  -h, --help      this text\n"
    "  --version       the version\n"
    "\n"
    "A long option may be cut to any beginning no other option has (--del).\n"
    "With a checksum list NAME.sha256 beside the parts, each part is checked as it\n"
    "is joined, and a damaged or missing part is named. With the set's recovery\n"
    "files NAME.par2 and NAME.vol*.par2 beside them (PAR 2.0, as par2 makes them),\n"
    "missing and damaged parts are named too and, when the recovery slices are\n"
    "enough, rebuilt in the same run; the parts and recovery files are only read.\n"
    "Questions are asked and keys read on the controlling terminal, whatever the\n"
    "input and output are: p pauses and resumes, q or Ctrl+C cancels (nothing is\n"
    "kept). Without one every question is answered no: nothing unverified is\n"
    "kept, nothing replaced, nothing deleted. In the background the terminal is\n"
    "left alone until the job is brought to the foreground, and a question stops\n"
    "the job until then.\n"
    "\n";

const ExitStatusMeaning kExitStatuses[] = {
    {kExitDone, "joined and verified"},
    {kExitFailed, "not joined"},
    {kExitUsage, "a bad command line, an unusable FILE or record, or a failed start-up"},
    {kExitInterrupted, "interrupted or cancelled"},
};

std::string LocateReason(LocateProblem problem) {
    switch (problem) {
        case LocateProblem::NotExecutable: return "it is not a little-endian executable";
        case LocateProblem::Malformed: return "its headers are damaged";
        case LocateProblem::NoRecord: return "it has no join record";
        case LocateProblem::Ambiguous: return "it has more than one join record";
        case LocateProblem::WrongSize:
            return "its join record is not " + std::to_string(kRecordSize) + " bytes";
        default: return "";
    }
}

}  // namespace

std::string TtyHint() { return UsageHint(kProgramName) + "\n"; }

std::string TtyHelp() {
    return kHelpText + ExitStatusTable(kExitStatuses, sizeof kExitStatuses / sizeof kExitStatuses[0]);
}

std::string VersionText() { return std::string(kProgramName) + " " SELVANORE_VERSION_TEXT "\n"; }

std::string TtyRefusalText(TtyRefusal refusal, const std::string& word, const std::string& other) {
    switch (refusal) {
        case TtyRefusal::UnknownOption: return "unknown option '" + ShowName(word) + "'";
        case TtyRefusal::UnknownLongOption: return "unknown option '--" + ShowName(word) + "'";
        case TtyRefusal::Ambiguous: return "option '--" + ShowName(word) + "' is ambiguous (" + other + ")";
        case TtyRefusal::TakesNoValue: return "option --" + word + " takes no value";
        case TtyRefusal::YesAndNo: return "--yes and --no exclude each other";
        case TtyRefusal::TwoFiles: return "one FILE at most";
        case TtyRefusal::EmptyFile: return "an empty FILE";
    }
    return "a bad command line";
}

const char kNotStamped[] =
    "this copy is not stamped with a set: give a joiner NAME__join.exe or a checksum list NAME.sha256";
const char kNoProgramFolder[] = "cannot enter the program's folder";
const char kNoTerminal[] = "cannot set up the terminal";

std::string CannotEnterText(const std::string& folder, const std::string& reason) {
    return "cannot enter the folder '" + ShowName(folder) + "': " + reason;
}

std::string ListAsideText(const std::string& why) { return why + "; the parts are not checked one by one"; }

const char kPromptDefaultYes[] = " [S/n] ";
const char kPromptDefaultNo[] = " [s/N] ";
const char kAnswerYes[] = "s\n";
const char kAnswerNo[] = "n\n";
const char kStartKey[] = "   [p] ";
const char kCancelKey[] = "   [q] ";

std::string DescribeSourceFailure(const SourceFailure& failure, const std::string& path) {
    std::string shown = "'" + ShowName(failure.file.empty() ? path : failure.file) + "'";
    std::string named = "the name '" + ShowName(failure.name) + "' of the list " + shown;
    std::string line = std::to_string(failure.line);
    switch (failure.cause) {
        case SourceCause::CannotOpen: return "cannot open " + shown + ": " + failure.system;
        case SourceCause::NotRegular: return shown + " is not a regular file";
        case SourceCause::TooLarge: return shown + " is too large for a joiner or a checksum list";
        case SourceCause::CannotRead: return "cannot read " + shown + ": " + failure.system;
        case SourceCause::NoRecord:
            return shown + " is a program without a usable join record: " + LocateReason(failure.locate);
        case SourceCause::NotAList: {
            std::string start = shown + " is neither a joiner nor the checksum list of a set: ";
            switch (failure.list) {
                case ListProblem::TooFewParts: return start + "it names fewer than two parts";
                case ListProblem::TooManyParts:
                    return start + "it names more than " + std::to_string(kMaxPartCount) + " parts";
                case ListProblem::NotTheParts:
                    return start + "line " + line + " does not name the set's next part";
                default: return start + "line " + line + " is not a checksum line";
            }
        }
        case SourceCause::NameTooLong: return named + " is too long for the record";
        case SourceCause::NameNotPlain: return named + " is not a plain file name";
        case SourceCause::AnotherSetsList: return shown + " is the checksum list of another set";
        case SourceCause::NothingBeside:
            return shown + " is a file of the set '" + ShowName(failure.name) + "', but neither its joiner ('" +
                   ShowName(failure.name + "__join.exe") + "', '" + ShowName(failure.name + "__join") +
                   "') nor its list ('" + ShowName(failure.name + ".sha256") + "') is beside it";
        default: return shown;
    }
}

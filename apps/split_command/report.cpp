#include "apps/split_command/report.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "format/record_layout.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "text/show.h"

namespace {

// What the lines on the standard error met: they are best effort, a
// failure to write them changes nothing.
SystemError g_ignored;

// Whether a progress line is on the terminal and must be ended first.
bool g_progressShown = false;

// Below this size a cut is too quick for progress to be worth showing.
const uint64_t kProgressThreshold = 16u << 20;

// The progress of the cut under way: whether it is shown, and the
// percentage shown last.
bool g_showProgress = false;
int g_shownPercent = -1;

// A name shown between quotes.
std::string Quoted(const std::string& name) { return "'" + ShowName(name) + "'"; }

std::string PlanText(PlanProblem problem) {
    switch (problem) {
        case PlanProblem::None: return "no problem";
        case PlanProblem::EmptyFile: return "it is empty";
        case PlanProblem::ZeroPartSize: return "parts of 0 bytes are impossible";
        case PlanProblem::TooFewParts: return "that makes fewer than 2 parts";
        case PlanProblem::MorePartsThanBytes: return "it has fewer bytes than parts";
        case PlanProblem::TooManyParts:
            return "that makes more than " + std::to_string(kMaxPartCount) +
                   " parts, the most a set may have";
    }
    return "unknown problem";
}

std::string LocateText(LocateProblem problem) {
    switch (problem) {
        case LocateProblem::None: return "no problem";
        case LocateProblem::NotExecutable: return "not a PE or little-endian ELF executable";
        case LocateProblem::Malformed:
            return "its headers point outside the file or contradict each other";
        case LocateProblem::NoRecord: return "it carries no join record";
        case LocateProblem::Ambiguous: return "it carries more than one join record";
        case LocateProblem::WrongSize:
            return "its join record is not " + std::to_string(kRecordSize) + " bytes long";
    }
    return "unknown problem";
}

std::string DistrustText(const Distrust& distrust) {
    switch (distrust.reason) {
        case DistrustReason::None: break;
        case DistrustReason::Owner:
            return "belongs to user " + std::to_string(distrust.owner) + ", neither you nor root";
        case DistrustReason::WritableByOthers: return "is writable by others";
        case DistrustReason::WritableByGroup: return "is writable by its group";
    }
    return "can be trusted";
}

const char* const kNothingKept = " (nothing was kept)";

std::string SystemName(JoinerSystem system) {
    return system == JoinerSystem::Linux ? "Linux" : "Windows";
}

void ShowProgress(const std::string& name, uint64_t done, uint64_t total) {
    int percent = static_cast<int>(done * 100 / total);
    if (percent == g_shownPercent) return;
    g_shownPercent = percent;
    char figure[8];
    std::snprintf(figure, sizeof figure, "%3d%%", percent);
    WriteToStream(StandardStream::Error, "\rcutting " + ShowName(name) + ": " + figure, &g_ignored);
    g_progressShown = true;
}

void ClearProgress(const std::string& name) {
    WriteToStream(StandardStream::Error, "\r" + std::string(ShowName(name).size() + 14, ' ') + "\r",
                  &g_ignored);
    g_progressShown = false;
}

std::string DescribeWarning(const SplitWarning& warning) {
    const std::string count = std::to_string(warning.count);
    switch (warning.kind) {
        case SplitWarningKind::LongJoinerName:
            return "warning: the joiner's name " + Quoted(warning.name) + " has " + count +
                   " characters; Windows cannot start it from a folder whose path makes the "
                   "whole longer than 260 characters";
        case SplitWarningKind::Leftovers: {
            bool one = warning.count == 1;
            return "warning: " + Quoted(warning.name) + " holds " + count + " temporary file" +
                   (one ? "" : "s") + " (" + kTemporaryPrefix +
                   "*) of an earlier run, left over when it was interrupted unless a cut into it "
                   "is under way; " +
                   (one ? "it" : "they") + " can be removed";
        }
    }
    return "warning";
}

void OnWarning(void*, const SplitWarning& warning) {
    Report("%s", DescribeWarning(warning).c_str());
}

void OnProgress(void*, const SplitProgress& progress) {
    switch (progress.stage) {
        case SplitStage::Writing:
            CatchInterruptions();
            g_showProgress = ErrorStreamIsTerminal() && progress.total >= kProgressThreshold;
            g_shownPercent = -1;
            break;
        case SplitStage::Cutting:
            if (g_showProgress) ShowProgress(progress.name, progress.done, progress.total);
            break;
        case SplitStage::Cut:
            if (g_showProgress) ClearProgress(progress.name);
            break;
    }
}

int OnStop(void*) { return Interrupted(); }

}  // namespace

void Report(const char* format, ...) {
    std::string line = g_progressShown ? "\nvantorel-split: " : "vantorel-split: ";
    g_progressShown = false;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        std::vector<char> text(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        line.append(text.data(), static_cast<size_t>(length));
    }
    va_end(again);
    WriteToStream(StandardStream::Error, line + "\n", &g_ignored);
}

std::string DescribeFailure(const SplitFailure& f) {
    const std::string name = Quoted(f.name);
    const std::string number = std::to_string(f.number);
    switch (f.cause) {
        case SplitCause::DeviceName:
            return "the name " + name +
                   " is a device name on Windows: the joiner could not write the file; rename "
                   "the file";
        case SplitCause::DroppedEnd:
            return "the name " + name +
                   " ends in a dot or a space, which Windows drops: the joiner would write "
                   "another file; rename the file";
        case SplitCause::InputNotRegular: return name + " is not a regular file";
        case SplitCause::InputCannotOpen: return "cannot open " + name + ": " + f.system;
        case SplitCause::InputIsStream:
            return name + " is an open stream, not a file in a directory; give the file's own path";
        case SplitCause::CannotCut:
            return "cannot cut " + name + " (" + number + " bytes): " + PlanText(f.plan);
        case SplitCause::NameNotUtf8:
            return "the name " + name + " is not valid UTF-8 (at byte " + number + ")";
        case SplitCause::NameNotWindows1252:
            return "the name " + name +
                   " has a character that Windows-1252 cannot represent (at byte " + number +
                   "); rename the file";
        case SplitCause::NameNotAllowed:
            return "the name " + name +
                   " has a character Windows does not allow in file names; rename the file";
        case SplitCause::NameTooLongForJoiner:
            return "the name " + name +
                   " is too long: the joiner's part names hold at most 519 characters";
        case SplitCause::NoOwnPath:
            return "cannot tell where this program lies, so there is no default joiner; give one "
                   "with --joiner PATH";
        case SplitCause::DefaultJoinerMissing:
            return "no joiner at " + name +
                   (f.buildTree ? ", the default in this build tree (is the " +
                                      SystemName(f.joinerSystem) +
                                      " joiner built?); give one with --joiner PATH"
                                : std::string(", where it is installed with this program; give "
                                              "one with --joiner PATH"));
        case SplitCause::DefaultJoinerDistrusted:
            return "the default joiner " + name + " is refused: the " +
                   (f.distrust.folder ? "folder " : "file ") + Quoted(f.distrust.path) + " " +
                   DistrustText(f.distrust) +
                   ", so someone else could have put it there; give a joiner you trust with "
                   "--joiner PATH";
        case SplitCause::JoinerNotRegular: return "the joiner " + name + " is not a regular file";
        case SplitCause::JoinerCannotOpen:
            return "cannot open the joiner " + name + ": " + f.system;
        case SplitCause::JoinerTooLarge:
            return "the joiner " + name + " is too large to be a joiner";
        case SplitCause::JoinerCannotRead:
            return "cannot read the joiner " + name + ": " + f.system;
        case SplitCause::JoinerShrank:
            return "cannot read the joiner " + name + ": it shrank while being read";
        case SplitCause::JoinerUnusable:
            return "the joiner " + name + " cannot be used: " + LocateText(f.locate);
        case SplitCause::JoinerRecordUnrecognised:
            return "the joiner " + name +
                   " cannot be used: the bytes of its join record are neither the template nor a "
                   "stamped record";
        case SplitCause::OutDirMissing: return "the output directory " + name + " does not exist";
        case SplitCause::OutDirNotDirectory:
            return "the output directory " + name + " is not a directory";
        case SplitCause::OutDirCannotUse:
            return "cannot use the output directory " + name + ": " + f.system;
        case SplitCause::NameTooLongForFolder:
            return "the name " + name + " is too long: " + Quoted(f.other) + " would exceed the " +
                   number + (f.units == NameUnit::Bytes ? " bytes" : " characters") +
                   " a file name can have";
        case SplitCause::OutputExists:
            return name + " already exists; remove it or choose another --out";
        case SplitCause::OutputUnknown:
            return "cannot tell whether " + name + " exists: " + f.system +
                   "; choose another --out";
        case SplitCause::OutOfMemory: return "out of memory";
        case SplitCause::NoRandomSource:
            return "cannot draw a temporary name from the system's random source: " + f.system +
                   kNothingKept;
        case SplitCause::CannotCreate:
            return "cannot create " + name + ": " + f.system + kNothingKept;
        case SplitCause::TemporariesTaken:
            return "cannot create a temporary file in " + name + ": " + number +
                   " random names were all taken" + kNothingKept;
        case SplitCause::CannotWrite:
            return "cannot write " + name + ": " + f.system + kNothingKept;
        case SplitCause::CannotReadInput:
            return "cannot read " + name + ": " + f.system + kNothingKept;
        case SplitCause::InputShrank: return name + " shrank while being cut" + kNothingKept;
        case SplitCause::InputGrew: return name + " grew while being cut" + kNothingKept;
        case SplitCause::InputChanged: return name + " changed while being cut" + kNothingKept;
        case SplitCause::StampUnreadable:
            return std::string("internal error: the stamped joiner does not read back") +
                   kNothingKept;
        case SplitCause::Interrupted: return "interrupted; nothing was kept";
        case SplitCause::CannotName: return "cannot name " + name + ": " + f.system + kNothingKept;
        case SplitCause::CannotSyncFolder:
            return "cannot sync the output directory " + name + ": " + f.system + kNothingKept;
    }
    return "unknown failure";
}

std::string SummaryText(const SplitResult& result) {
    std::string summary = ShowName(result.name) + ": " + std::to_string(result.fileSize) +
                          " bytes in " + std::to_string(result.partCount) + " parts, " +
                          ShowName(result.firstPart) + " to " + ShowName(result.lastPart) + "\n" +
                          "joiner: " + ShowName(result.joiner) + "\n";
    if (result.kind != CHECKSUM_NONE) {
        summary += std::string(FindChecksumKind(result.kind)->display) + ": " + result.checksum +
                   "\n";
    }
    if (!result.list.empty()) summary += "checksum list: " + ShowName(result.list) + "\n";
    summary += "joiner copied from: " + ShowName(result.joinerSource) + "\n";
    return summary;
}

SplitEvents TerminalEvents() {
    SplitEvents events;
    events.warn = OnWarning;
    events.progress = OnProgress;
    events.stop = OnStop;
    return events;
}

bool InAConsoleOfItsOwn(const ConsoleState& console) {
    return console.processes == 1 && console.output && console.input;
}

std::string OwnConsoleNote(const std::string& ownPath) {
    std::string windowProgram =
        ownPath.empty() ? std::string("Vantorel.exe")
                        : JoinPath(DirectoryName(ownPath), "Vantorel.exe");
    return "\n"
           "vantorel-split.exe is the splitter's command-line program: it takes its file\n"
           "and options in a Command Prompt, as in \"vantorel-split FILE -n 3\"\n"
           "(\"vantorel-split --help\" lists them). To cut a file in a window, start\n"
           "Vantorel.exe, beside this program:\n"
           "  " + ShowName(windowProgram) + "\n"
           "\n"
           "Press a key to close this window.\n";
}

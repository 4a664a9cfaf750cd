#include "apps/split_command/texts.h"

#include <cstdio>

#include "format/record_layout.h"
#include "hash/checksum_kinds.h"
#include "split/presets.h"
#include "platform/paths.h"
#include "text/command_line.h"
#include "text/show.h"
#include "version.h"

const char kProgramName[] = "vantorel-split";

std::string VersionText() { return std::string(kProgramName) + " " SELVANORE_VERSION_TEXT "\n"; }

const char kByteCountUnits[] = "K, M, G (1024-based), KB, MB, GB (1000-based), KiB, MiB, GiB";

const ExitStatusMeaning kSplitExitStatuses[kSplitExitStatusCount] = {
    {kExitDone, "the set was made"},
    {kExitFailed, "the run failed; nothing was left behind"},
    {kExitUsage, "a bad command line, or a file name a set cannot carry"},
    {kExitInterrupted, "interrupted; nothing was left behind"},
};

namespace {

// What each preset is for, in the order of kCutPresets.
const char* const kPresetUses[kCutPresetCount] = {
    "6.5 MiB, for mail attachments of 10 MB",
    "17 MiB, for mail attachments of 25 MB",
    "700 MiB, a CD",
    "4.7 GB, a single-layer DVD",
    "4 GiB less a byte, a FAT32 disk's largest file",
};

// The presets' names, "mail10, mail25, cd, dvd or fat32".
std::string PresetNames() {
    std::string names;
    for (size_t i = 0; i < kCutPresetCount; ++i) {
        if (i != 0) names += i + 1 == kCutPresetCount ? " or " : ", ";
        names += kCutPresets[i].name;
    }
    return names;
}

// The presets as the help lists them, a line each.
std::string PresetLines(const char* indent) {
    std::string lines;
    for (size_t i = 0; i < kCutPresetCount; ++i) {
        std::string name = kCutPresets[i].name;
        lines += indent + name + std::string(8 - name.size(), ' ') + kPresetUses[i] + "\n";
    }
    return lines;
}

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

// The option names of every checksum kind, between separator and, before
// the last, last: "none, md5, ... or sha256".
std::string ChecksumOptions(const char* separator, const char* last) {
    std::string names;
    for (uint32_t i = 0; i < kChecksumKindCount; ++i) {
        if (i > 0) names += i + 1 < kChecksumKindCount ? separator : last;
        names += kChecksumKinds[i].option;
    }
    return names;
}

}  // namespace

std::string UsageText(const DefaultJoiner& windows, const DefaultJoiner& linuxJoiner,
                      bool slashHelp) {
    const char* indent = "\n                     ";
    std::string joiner = windows.place.empty() ? std::string("none")
                         : windows.buildTree
                             ? "the Windows joiner of this" + std::string(indent) +
                                   "build tree, found from this program's folder at" + indent +
                                   windows.place
                             : "the Windows joiner installed" + std::string(indent) +
                                   "with this program, found from its folder at" + indent +
                                   windows.place;
    std::string linuxText = linuxJoiner.place.empty() ? std::string("linux (none)")
                            : linuxJoiner.buildTree
                                ? "linux, the Linux joiner of this build tree, found" +
                                      std::string(indent) + "from this program's folder at" +
                                      indent + linuxJoiner.place
                                : "linux, the Linux joiner installed with this program," +
                                      std::string(indent) + "found from its folder at" + indent +
                                      linuxJoiner.place;
    return "usage: vantorel-split FILE (-n N | -b SIZE) [--checksum KIND] [--joiner PATH]\n"
           "                      [--out DIR] [--for linux|windows] [--no-list]\n"
           "                      [--recovery N]\n"
           "       vantorel-split --help | --version\n"
           "\n"
           "Cuts FILE into parts named NAME__000, NAME__001, ... (four digits above 1000\n"
           "parts) and puts beside them a copy of the joiner, NAME__join.exe for a Windows\n"
           "joiner or NAME__join for a Linux one, stamped with the file's name, size, part\n"
           "count and checksum. Running the copy rebuilds FILE from the parts.\n"
           "\n"
           "NAME.sha256 beside them lists the SHA-256 of every part and of FILE in the\n"
           "format sha256sum -c reads: \"sha256sum -c --ignore-missing NAME.sha256\" checks\n"
           "the parts, and after \"cat NAME__[0-9]* > NAME\" the same without\n"
           "--ignore-missing checks the whole file too.\n"
           "\n"
           "NAME.par2 and NAME.vol0+1.par2, NAME.vol1+2.par2, ... beside them are recovery\n"
           "data in the PAR 2.0 format, one slice per part: with N recovery slices any N\n"
           "lost or damaged parts can be rebuilt (\"par2 repair NAME.par2\", or the joiner).\n"
           "\n"
           "  -n, --parts N      N parts of equal size, the last also taking the remainder\n"
           "  -b, --size SIZE    parts of SIZE bytes, the last one shorter: a number with\n"
           "                     an optional unit in any case, K, M, G or KiB, MiB, GiB\n"
           "                     for 1024, 1024^2, 1024^3 and KB, MB, GB for 1000,\n"
           "                     1000^2, 1000^3 (10M, 10mb, 100KiB, 1g); or the name of\n"
           "                     one of Vantorel.exe's sizes, in any case:\n" +
           PresetLines("                       ") +
           "                     (a set has 2 to " + std::to_string(kMaxPartCount) + " parts)\n"
           "  --checksum KIND    checksum the joiner verifies after joining (default " +
           FindChecksumKind(SplitRequest().kind)->option + ")" + indent +
           ChecksumOptions(", ", " or ") + ", in any case and with or" + indent +
           "without the dash (SHA256, sha-256, Md5)\n"
           "  --joiner PATH      joiner to copy (default: " +
           joiner +
           ")\n"
           "  --for SYSTEM       the joiner copied without --joiner: windows (the default)" +
           indent + "or " + linuxText + "\n"
           "  --no-list          write no NAME.sha256\n"
           "  --recovery N       N recovery slices, each able to rebuild any one part" + indent +
           "(default: 1 for sets of 3 parts or more, none for 2;" + indent +
           "0 writes no recovery files; at most the number of parts)\n"
           "  --out DIR          directory of the parts, the list, the recovery files" + indent +
           "and the joiner" + indent +
           "(default: FILE's)\n"
           "  -h, --help         this text" + (slashHelp ? " (/? too)" : "") + "\n"
           "  --version          the program's version\n"
           "\n"
           "A long option may be cut to any beginning no other option has (--che md5).\n"
           "KB, MB and GB are powers of 1000, here as in Vantorel.exe, which says KiB,\n"
           "MiB and GiB for its powers of 1024. Mail carries a part encoded in base64,\n"
           "a third larger: a mail size's part, so encoded, stays below the limit the\n"
           "mail service counts, with room for the message.\n"
           "Existing files are never overwritten: the run is refused when a part, the\n"
           "list, a recovery file or the joiner copy already exists. Names Windows\n"
           "reserves for devices (CON, NUL, COM1, LPT1... with any extension) and names\n"
           "ending in a dot or a space are refused. On any failure nothing is left\n"
           "behind.\n"
           "\n" + ExitStatusTable(kSplitExitStatuses, kSplitExitStatusCount);
}

std::string RefusalText(Refusal refusal, const std::string& word, const std::string& other) {
    switch (refusal) {
        case Refusal::PartsTooLarge:
            return "--parts '" + ShowName(word) + "' is too large: a set has at most " +
                   std::to_string(kMaxPartCount) + " parts";
        case Refusal::PartsNotANumber: return "--parts takes a whole number, not '" + ShowName(word) + "'";
        case Refusal::SizeTooLarge:
            return "--size '" + ShowName(word) + "' is too large: at most 18446744073709551615 bytes";
        case Refusal::SizeNotANumber:
            return "--size takes a number of bytes with an optional unit (" + std::string(kByteCountUnits) +
                   ", in any case) or " + PresetNames() + ", not '" + ShowName(word) + "'";
        case Refusal::UnknownChecksum:
            return "--checksum takes " + ChecksumOptions(", ", " or ") +
                   " (in any case, with or without the dash), not '" + ShowName(word) + "'";
        case Refusal::UnknownSystem: return "--for takes linux or windows, not '" + ShowName(word) + "'";
        case Refusal::UnknownShortOption: return "unknown option '-" + ShowName(word) + "'";
        case Refusal::ShortOptionNeedsValue: return "option -" + word + " needs a value";
        case Refusal::TwoFiles:
            return "more than one FILE given ('" + ShowName(word) + "' and '" + ShowName(other) + "')";
        case Refusal::UnknownOption: return "unknown option '--" + ShowName(word) + "'";
        case Refusal::AmbiguousOption: return "option '--" + ShowName(word) + "' is ambiguous (" + other + ")";
        case Refusal::OptionTakesNoValue: return "option --" + word + " takes no value";
        case Refusal::OptionNeedsValue: return "option --" + word + " needs a value";
        case Refusal::NoFile: return "no FILE given";
        case Refusal::NoCut: return "give exactly one of --parts N (-n) and --size SIZE (-b)";
        case Refusal::RecoveryNotANumber:
            return "--recovery takes a whole number from 0 to " + std::to_string(kMaxPartCount) + ", not '" +
                   ShowName(word) + "'";
    }
    return "a bad command line";
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
                   " has a character that Windows-1252 cannot represent, and the joiner "
                   "has no record for such names (a joiner of an older version); use this "
                   "version's joiner or rename the file";
        case SplitCause::NameNotAllowed:
            return "the name " + name +
                   " has a control character or one Windows does not allow in file names; "
                   "rename the file";
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
        case SplitCause::TooMuchRecovery:
            return "--recovery " + number + " is more than the " + f.other + " parts of " + name +
                   ": a recovery slice rebuilds one part, so at most " + f.other + " are useful";
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
        case SplitCause::CannotReadPart:
            return "cannot read " + name + " back for the recovery data: " + f.system + kNothingKept;
        case SplitCause::PartChanged:
            return name + " changed before its recovery data was written" + kNothingKept;
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

std::string SummaryText(const SplitResult& result, uint64_t mailLimit, uint64_t partSize) {
    std::string summary = ShowName(result.name) + ": " + std::to_string(result.fileSize) +
                          " bytes in " + std::to_string(result.partCount) + " parts, " +
                          ShowName(result.firstPart) + " to " + ShowName(result.lastPart) + "\n" +
                          "joiner: " + ShowName(result.joiner) + "\n";
    if (result.kind != CHECKSUM_NONE) {
        summary += std::string(FindChecksumKind(result.kind)->display) + ": " + result.checksum +
                   "\n";
    }
    if (!result.list.empty()) summary += "checksum list: " + ShowName(result.list) + "\n";
    if (result.recoveryCount > 0) {
        size_t files = result.recoveryNames.size();
        bool one = result.recoveryCount == 1;
        summary += "recovery data: " + ShowName(result.recoveryIndex) + " and " + std::to_string(files) +
                   (files == 1 ? " file " : " files ") + ShowName(result.recoveryNames.front()) +
                   (files == 1 ? "" : " to " + ShowName(result.recoveryNames.back())) + ", " +
                   std::to_string(result.recoverySize) + " bytes: send them with the parts; " +
                   (one ? "any one lost or damaged part" : "any " + std::to_string(result.recoveryCount) +
                                                               " lost or damaged parts") +
                   " can be rebuilt (par2 repair " + ShowName(result.recoveryIndexName) + ")\n";
    }
    if (mailLimit != 0) {
        summary += "mail: each part takes at most " + std::to_string(MailEncodedSize(partSize)) +
                   " bytes encoded in base64, less than the " + std::to_string(mailLimit) +
                   " a mail service of " + std::to_string(mailLimit / 1000000) + " MB counts\n";
    }
    bool list = !result.list.empty();
    bool recovery = result.recoveryCount > 0;
    std::string what = list && recovery ? ", the list and the recovery files"
                       : list           ? " and the list"
                       : recovery       ? " and the recovery files"
                                        : "";
    summary += "note: mail services refuse programs (" + ShowName(result.joinerName) +
               ") as attachments;\n"
               "  send the joiner another way, or send the parts" + what + " alone.\n"
               "  Without the joiner, the recipient joins the parts with\n"
               "  'selvanore " + ShowName(list ? result.listName : result.firstPart) +
               "' on Linux, or in order with 'copy /b' on Windows\n"
               "  ('cat' elsewhere)" +
               (list ? ", and checks them with the list (the PowerShell\n"
                       "  lines of README.txt, or 'sha256sum -c').\n"
                     : ".\n");
    summary += "joiner copied from: " + ShowName(result.joinerSource) + "\n";
    return summary;
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

std::string ProgressText(const std::string& name, int percent, bool recovery) {
    char figure[8];
    std::snprintf(figure, sizeof figure, "%3d%%", percent);
    return (recovery ? "recovery data of " : "cutting ") + ShowName(name) + ": " + figure;
}

std::string SummaryFailedText(const std::string& reason) {
    return "cannot write the summary to the standard output: " + reason + " (nothing was kept)";
}

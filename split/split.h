// The splitter's types, which the job's files and its front ends share: a
// request (the file, the cut, the checksum, the joiner, the checksum list,
// the output folder), the events it tells its front end of and the stop it
// asks about, and an outcome that is a value: the set made, or the failure
// with the names, numbers and system's text it concerns. The job itself is
// split/job.h's; nothing here prints or exits.
#ifndef SELVANORE_SPLIT_SPLIT_H
#define SELVANORE_SPLIT_SPLIT_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hash/checksum_kinds.h"
#include "format/locate.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "split/plan.h"

// How every temporary name of the outputs begins: ".vantorel-split-", 16
// hexadecimal digits of the system's random source and "-", then the part's
// index or "join". Left over by a run killed outright, they are counted in a
// warning (SplitWarningKind::Leftovers) and never removed.
extern const char kTemporaryPrefix[];

// The system whose joiner is copied when none is given: the Windows joiner
// (a PE, copied as NAME__join.exe) or the Linux one (an ELF, NAME__join).
enum class JoinerSystem { Windows, Linux };

// Where a front end's default joiner of one system lies, relative to the
// program's own folder: in an installed tree (on Windows beside the program),
// and in the build tree (empty: none), taken only where a CMakeCache.txt lies
// beside the program. A place beginning with '/' is taken as it is.
struct JoinerPlaces {
    const char* installed;
    const char* buildTree;
};

// The joiner copied when none is given, and the tree the program runs
// from: its build tree, or an installed tree (on Windows the joiner is
// beside the program in either).
struct DefaultJoiner {
    std::string place;  // relative to the program's folder, as the help shows it
    std::string path;   // the same from the program's folder; empty when that is unknown
    bool buildTree = false;
};

// What a run is told, and asked, while it goes.
enum class SplitStage {
    Writing,  // everything is checked; the outputs are about to be made
    Cutting,  // a block of the file was cut: done of total bytes
    Cut,      // every byte is cut and the file was found unchanged
    Recovering,  // the recovery pass read done of total bytes of the parts
};
struct SplitProgress {
    SplitStage stage;
    std::string name;  // the file's name
    uint64_t done;
    uint64_t total;
};

enum class SplitWarningKind {
    LongJoinerName,  // name: the Windows joiner's name, count: its characters
    Leftovers,       // name: the output folder, count: temporary files of earlier runs
};
struct SplitWarning {
    SplitWarningKind kind;
    std::string name;
    uint64_t count;
};

struct SplitEvents {
    void* context = nullptr;
    // Each warning as it arises, before the outputs are made.
    void (*warn)(void* context, const SplitWarning& warning) = nullptr;
    void (*progress)(void* context, const SplitProgress& progress) = nullptr;
    // Polled before each block and before the outputs take their names:
    // non-zero stops the run, which keeps nothing (SplitCause::Interrupted).
    int (*stop)(void* context) = nullptr;
};

struct SplitRequest {
    std::string file;
    bool byParts = false;   // parts of equal size, or parts of partSize bytes
    uint64_t parts = 0;
    uint64_t partSize = 0;
    uint32_t kind = CHECKSUM_SHA256;
    std::optional<std::string> joiner;  // none: the default joiner of system (places)
    JoinerSystem system = JoinerSystem::Windows;
    // The checksum list NAME.sha256 beside the parts: a SHA-256 of each part
    // and of the whole file, whatever kind the record's checksum is.
    bool list = true;
    std::optional<std::string> outDir;  // none: the file's folder
    // Recovery slices in the PAR 2.0 files beside the parts (NAME.par2 and
    // NAME.volA+B.par2), each able to rebuild one lost or damaged part: none
    // for the default (DefaultRecoveryCount, split/plan.h), 0 for no
    // recovery files. At most the number of parts.
    std::optional<uint32_t> recovery;
    std::string creator = "Vantorel";  // the program named in the recovery files
    JoinerPlaces places = {"", ""};     // those of system's default joiner
    SplitEvents events;
};

// Why a run failed. "name" and the other fields of SplitFailure that each
// uses are given after it; paths are as given or as made, not yet escaped for
// a terminal. Above Writing nothing was written; from Writing on, everything
// made was removed again.
enum class SplitCause {
    // The input (name: the file as given, except where said).
    DeviceName,            // name: the file's own name, which Windows gives to a device
    DroppedEnd,            // name: the file's own name, ending in a dot or a space
    InputNotRegular,
    InputCannotOpen,       // system
    InputIsStream,         // a descriptor link (/dev/stdin...)
    CannotCut,             // number: the file's size, plan
    NameNotUtf8,           // name: the file's own name; number: the byte at fault
    NameNotWindows1252,    // name: the file's own name, which has characters Windows-1252
                           // lacks, and the joiner has no name record to carry it
    NameNotAllowed,        // name: the file's own name
    NameTooLongForJoiner,  // name: the file's own name
    // The joiner (name: its path).
    NoOwnPath,             // no name: the program cannot tell where it lies
    DefaultJoinerMissing,  // buildTree: in the words of which tree; joinerSystem: whose
    DefaultJoinerDistrusted,  // distrust
    JoinerNotRegular,
    JoinerCannotOpen,      // system
    JoinerTooLarge,
    JoinerCannotRead,      // system
    JoinerShrank,
    JoinerUnusable,        // locate
    JoinerRecordUnrecognised,
    // The output folder (name: the folder, except where said).
    OutDirMissing,
    OutDirNotDirectory,
    OutDirCannotUse,       // system
    NameTooLongForFolder,  // name: the file's own name; other: the longest output name;
                           // number: the longest name the folder takes, in units
    TooMuchRecovery,       // number: the recovery slices asked for; other: the parts, in decimal
    OutputExists,          // name: the output's path (a part, the list, a recovery file or the joiner)
    OutputUnknown,         // name: the output's path; system
    OutOfMemory,
    // While writing: nothing was kept.
    NoRandomSource,        // system
    CannotCreate,          // name: the temporary file's path; system
    TemporariesTaken,      // name: the folder; number: the names drawn
    CannotWrite,           // name: the output's path; system
    CannotReadInput,       // name: the file; system
    InputShrank,           // name: the file
    InputGrew,             // name: the file
    InputChanged,          // name: the file
    CannotReadPart,        // name: the part's path; system (the recovery pass reads the parts back)
    PartChanged,           // name: the part's path: shorter, or other bytes, than it was cut
    StampUnreadable,       // the stamped record did not read back
    Interrupted,           // stop said so
    CannotName,            // name: the output's path; system
    CannotSyncFolder,      // name: the folder; system
};

struct SplitFailure {
    SplitCause cause = SplitCause::OutOfMemory;
    std::string name;
    std::string other;
    uint64_t number = 0;
    std::string system;  // the system's description of the error
    PlanProblem plan = PlanProblem::None;
    LocateProblem locate = LocateProblem::None;
    Distrust distrust;
    bool buildTree = false;
    JoinerSystem joinerSystem = JoinerSystem::Windows;
    NameUnit units = NameUnit::Bytes;
};

// What a finished run made.
struct SplitResult {
    std::string name;  // the file's own name
    uint64_t fileSize = 0;
    uint32_t partCount = 0;
    std::string firstPart;
    std::string lastPart;
    std::string joiner;  // the stamped joiner's path
    std::string joinerName;  // its name in the output folder
    uint32_t kind = CHECKSUM_NONE;
    std::string checksum;  // the digest text; empty for CHECKSUM_NONE
    std::string joinerSource;  // the joiner copied: as given, or the default's resolved path
    std::string list;  // the checksum list's path; empty when none was asked for
    std::string listName;  // its name in the output folder
    uint64_t joinerSize = 0;  // bytes of the stamped joiner
    uint64_t listSize = 0;    // bytes of the checksum list; 0 without one
    // The recovery files: their count of recovery slices (each rebuilds any
    // one part), the index's path and name, the recovery files' names in
    // order, and the bytes of all of them. No files when recoveryCount is 0.
    uint32_t recoveryCount = 0;
    std::string recoveryIndex;
    std::string recoveryIndexName;
    std::vector<std::string> recoveryNames;
    uint64_t recoverySize = 0;
};

// The state of a run whose outputs have taken their names (job.cpp).
struct SplitRun;

struct SplitOutcome {
    SplitFailure failure;  // when RunSplit failed
    bool interrupted = false;  // it failed once stop had said so
    SplitResult result;        // when RunSplit succeeded
    // The named outputs of a successful run: removed with the outcome, so
    // that a front end that cannot tell its user of the set (a summary that
    // cannot be written) keeps nothing, unless KeepOutputs was called.
    std::unique_ptr<SplitRun> run;

    SplitOutcome();
    SplitOutcome(const SplitOutcome&) = delete;
    SplitOutcome& operator=(const SplitOutcome&) = delete;
    ~SplitOutcome();
};

#endif

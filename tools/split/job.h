// Everything a cut needs, checked before anything is written: the file and
// the cut, its name, the joiner and its record, the output directory and the
// names the outputs will take.
#ifndef SELVANORE_TOOLS_SPLIT_JOB_H
#define SELVANORE_TOOLS_SPLIT_JOB_H

#include <cstdint>
#include <string>
#include <vector>

#include "record/locate.h"
#include "tools/split/options.h"
#include "tools/split/os.h"
#include "tools/split/plan.h"

// The joiner copied when none is given, and the tree the program runs
// from: its build tree, or an installed tree (on Windows the joiner is
// beside the program in either).
struct DefaultJoiner {
    std::string place;  // relative to the program's folder, as the help shows it
    std::string path;   // the same from the program's folder; empty when that is unknown
    bool buildTree = false;
};

struct Job {
    const char* file = nullptr;
    OsHandle input = kNoHandle;
    OsFileTimes inputTimes = {};  // the input's times when it was opened
    SplitPlan plan = {};
    std::string name;        // the file's base name, UTF-8
    std::string cp1252Name;  // the same in Windows-1252, for the record
    std::string joinerPath;  // the joiner read: as given, or the default's resolved path
    std::vector<uint8_t> joiner;  // the joiner's bytes, stamped in place
    RecordLocation location = {};
    std::string joinerName;
    std::string outDir;
    OsHandle directory = kNoHandle;
    uint32_t kind = 0;

    Job() = default;
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;
    ~Job();
};

// Each checks its share and fills it in; 0, the failure reported, when the
// run cannot go on.
int PrepareInput(const Options& options, Job* job);
// The default joiner is taken when options name none, and only when the
// user or the administrator alone could have put it there (OsCheckTrusted);
// a joiner given is the user's choice and is not judged.
int PrepareJoiner(const Options& options, const DefaultJoiner& fallback, Job* job);
int PrepareOutput(const Options& options, Job* job);

// Warns when the joiner is a Windows program whose name leaves little room
// for a folder: Windows starts no program whose path is longer than 260
// characters.
void WarnOfLongJoinerName(const Job& job);

// The name of part index on disk: the file's own name, as given, and the
// suffix of the joiner's rule. Names are made as needed: a set can have
// billions of parts.
std::string PartFileName(const Job& job, uint32_t index);

#endif

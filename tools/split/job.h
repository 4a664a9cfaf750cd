// Everything a cut needs, checked before anything is written: the file and
// the cut, its name, the joiner and its record, the output directory and the
// names the outputs will take.
#ifndef SELVANORE_TOOLS_SPLIT_JOB_H
#define SELVANORE_TOOLS_SPLIT_JOB_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/split/locate.h"
#include "tools/split/options.h"
#include "tools/split/os.h"
#include "tools/split/plan.h"

struct Job {
    const char* file = nullptr;
    OsHandle input = kNoHandle;
    OsFileTimes inputTimes = {};  // the input's times when it was opened
    SplitPlan plan = {};
    std::string name;        // the file's base name, UTF-8
    std::string cp1252Name;  // the same in Windows-1252, for the record
    std::string joinerPath;
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
// defaultJoiners: where the joiner to copy is looked for when options name
// none; the first place where anything lies is taken.
int PrepareJoiner(const Options& options, const std::vector<std::string>& defaultJoiners,
                  Job* job);
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

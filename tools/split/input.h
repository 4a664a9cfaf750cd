// Everything a cut needs, checked before anything is written: the file and
// the cut, its name, the joiner and its record, the output directory and the
// names the outputs will take. The input's share is checked here.
#ifndef SELVANORE_TOOLS_SPLIT_INPUT_H
#define SELVANORE_TOOLS_SPLIT_INPUT_H

#include <cstdint>
#include <string>
#include <vector>

#include "record/locate.h"
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

// Checks the input's share and fills it in; 0, the failure reported, when
// the run cannot go on.
int PrepareInput(const Options& options, Job* job);

#endif

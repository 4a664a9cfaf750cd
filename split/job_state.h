// The state of a run, Job, checked before anything is written: the file and
// the cut, its name, the joiner and its record, the output folder. Each share
// is checked and filled in by the file of its subject: the input in
// input.h, the joiner in joiner.h, the folder and the outputs' names in
// outputs.h. And the ways every step of the job fails or stops.
#ifndef SELVANORE_SPLIT_JOB_STATE_H
#define SELVANORE_SPLIT_JOB_STATE_H

#include <cstdint>
#include <string>
#include <vector>

#include "format/locate.h"
#include "platform/files.h"
#include "recovery/par2_packets.h"
#include "split/plan.h"
#include "split/split.h"

struct Job {
    // The input.
    std::string file;             // as given
    SystemFile input;
    FileTimes inputTimes = {};  // the input's times when it was opened
    SplitPlan plan = {};
    std::string name;        // the file's own name (its long form), UTF-8
    std::string cp1252Name;  // its Windows-1252 form or stand-in, for the record
    bool nameHasStandIn = false;  // cp1252Name is a stand-in: the name record is needed
    uint32_t kind = 0;
    // The joiner.
    std::string joinerPath;       // the joiner read: as given, or the default's resolved path
    std::vector<uint8_t> joiner;  // the joiner's bytes, stamped in place
    RecordLocation location = {};
    RecordLocation nameLocation = {};  // the name record's, when hasNameRecord
    bool hasNameRecord = false;
    std::string joinerName;  // the stamped copy's name
    // The output folder.
    std::string outDir;
    SystemFile directory;
    std::string listName;  // the checksum list's name; empty when none is written
    // The recovery files: none when recoveryCount is 0.
    uint32_t recoveryCount = 0;
    std::string recoveryIndexName;
    std::vector<Par2Volume> recoveryVolumes;
};

// Fills in *failure and returns 0, for the job's checks and steps; the
// second keeps the system's description of the error that caused it.
inline int FailWith(SplitFailure* failure, SplitCause cause, const std::string& name = "") {
    failure->cause = cause;
    failure->name = name;
    return 0;
}
inline int FailWithSystem(SplitFailure* failure, SplitCause cause, const std::string& name,
                          const SystemError& error) {
    failure->system = error.reason;
    return FailWith(failure, cause, name);
}

// Whether the front end asked the run to stop.
inline bool StopAsked(const SplitEvents& events) {
    return events.stop != nullptr && events.stop(events.context) != 0;
}

#endif

// The outputs of a run: the parts and the stamped joiner. Each is written
// under a temporary name of its own in the output directory and synced to
// disk; once all are, the parts and then the joiner take their names, none
// replacing a file, and the directory is synced. Until then everything made
// is removed again on a failure, so a run leaves the whole set or nothing,
// and a run killed outright leaves only hidden temporary files.
#ifndef SELVANORE_TOOLS_SPLIT_OUTPUTS_H
#define SELVANORE_TOOLS_SPLIT_OUTPUTS_H

#include <cstdint>
#include <string>

#include "tools/split/job.h"
#include "tools/split/os.h"

struct OutputSet {
    const Job* job;
    bool joinerMade;      // the joiner's temporary file exists
    uint32_t partsMade;   // temporary files of parts 0 to partsMade - 1 exist
    uint32_t partsNamed;  // parts 0 to partsNamed - 1 have their own names
    bool joinerNamed;
};

OutputSet NoOutputs(const Job& job);

// The temporary name of part index, or of the joiner: hidden, short, and
// unique to this process.
std::string TemporaryName(uint32_t index, bool joiner);

// The path of an output's own name, for messages.
std::string OutputPath(const OutputSet& outputs, const std::string& name);

// Each creates its output's temporary file, failing (reported) when a file
// of that name exists. Parts are created in order: index is partsMade.
int CreateJoinerCopy(OutputSet* outputs, OsHandle* file);
int CreatePart(OutputSet* outputs, uint32_t index, OsHandle* file);

// Writes to an output, then syncs and closes it; failures are reported
// under the output's own name.
int WriteOutput(OsHandle file, const void* data, size_t length, const std::string& name,
                const OutputSet& outputs);
int FinishOutput(OsHandle file, const std::string& name, const OutputSet& outputs);

// Gives every output made its own name, the joiner last so that a set
// without it is plainly incomplete, and syncs the directory.
int NameOutputs(OutputSet* outputs);

// Removes every output made so far, under whichever name it has.
void DiscardOutputs(OutputSet* outputs);

#endif

// The outputs of a run: the parts and the stamped joiner. Each is written
// under a temporary name of its own in the output directory and synced to
// disk; once all are, the parts and then the joiner take their names, none
// replacing a file, and the directory is synced. Until then everything made
// is removed again on a failure, so a run leaves the whole set or nothing,
// and a run killed outright leaves only hidden temporary files.
#ifndef SELVANORE_TOOLS_SPLIT_OUTPUTS_H
#define SELVANORE_TOOLS_SPLIT_OUTPUTS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/split/input.h"
#include "tools/split/os.h"

// How every temporary name begins: ".vantorel-split-", 16 hexadecimal
// digits of the system's random source and "-", then the part's index or
// "join".
extern const char kTemporaryPrefix[];

struct OutputSet {
    const Job* job;
    // The random source of the names (OsRandomBytes; tests give their own).
    int (*random)(void* buffer, size_t length);
    // The beginning of the next temporary name; a new one is drawn when a
    // name is taken.
    std::string stem;
    std::string joinerTemporary;           // the joiner's temporary name, once made
    std::vector<std::string> temporaries;  // those of parts 0, 1... made so far
    uint32_t partsNamed;  // parts 0 to partsNamed - 1 have their own names
    bool joinerNamed;
};

// Checks the output directory and that every output's name is free and
// short enough; 0, the failure reported, when the run cannot go on.
int PrepareOutput(const Options& options, Job* job);

// The name of part index on disk: the file's own name, as given, and the
// suffix of the joiner's rule. Names are made as needed: a set can have
// billions of parts.
std::string PartFileName(const Job& job, uint32_t index);

OutputSet NoOutputs(const Job& job);

// The path of an output's own name, for messages.
std::string OutputPath(const OutputSet& outputs, const std::string& name);

// Warns, in one line, of temporary files that an earlier run left in the
// output directory; they are never removed.
void WarnOfLeftovers(const Job& job);

// Each creates its output's temporary file under a name nothing has; a name
// found taken is drawn again, a few times. Parts are created in order:
// index is the count of parts made.
int CreateJoinerCopy(OutputSet* outputs, OsHandle* file);
int CreatePart(OutputSet* outputs, uint32_t index, OsHandle* file);

// Writes to an output, then syncs and closes it; failures are reported
// under the output's own name.
int WriteOutput(OsHandle file, const void* data, size_t length, const std::string& name,
                const OutputSet& outputs);
int FinishOutput(OsHandle file, const std::string& name, const OutputSet& outputs);

// Gives every output made its own name, the joiner last so that a set
// without it is plainly incomplete, and syncs the directory. On a failure
// the outputs named so far are still the run's own (DiscardOutputs removes
// them): a rename never replaces a file.
int NameOutputs(OutputSet* outputs);

// Removes every output made so far, under whichever name it has.
void DiscardOutputs(OutputSet* outputs);

#endif

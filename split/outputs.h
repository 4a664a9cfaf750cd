// The outputs of a run: the parts, the checksum list and the stamped joiner,
// and the folder they go to. Each is written under a temporary name of its
// own in the output folder and synced to disk; once all are, the parts, the
// list and then the joiner take their names, none replacing a file, and the
// folder is synced.
// Until then everything made is removed again on a failure, so a run leaves
// the whole set or nothing, and a run killed outright leaves only hidden
// temporary files.
#ifndef SELVANORE_SPLIT_OUTPUTS_H
#define SELVANORE_SPLIT_OUTPUTS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "split/job_state.h"

// Opens the output folder, names the checksum list when the request asks
// for one (format/checksum_list.h) and the recovery files when there are
// recovery slices (more than the parts are refused), and checks that every output's name is
// free (platform/name_lookup.h) and short enough for it. Returns 0 with
// *failure when the run cannot go on.
int PrepareOutput(const SplitRequest& request, Job* job, SplitFailure* failure);

// The name of part index on disk: the file's own name, as given, and the
// suffix of the joiner's rule. Names are made as needed: a set can have
// billions of parts.
std::string PartFileName(const Job& job, uint32_t index);

// The path of an output in the output folder, for failures and the summary.
std::string OutputPath(const Job& job, const std::string& name);

// How many temporary files an earlier run left in the output folder; they
// are never removed.
size_t CountLeftovers(const Job& job);

struct OutputSet {
    const Job* job = nullptr;
    // The random source of the names (RandomBytes; tests give their own).
    int (*random)(void* buffer, size_t length, SystemError* error) = nullptr;
    // The digits of the run's temporary names (platform/temporary_name.h),
    // drawn with the first and again whenever a name is found taken.
    uint64_t digits = 0;
    bool digitsDrawn = false;
    std::string joinerTemporary;           // the joiner's temporary name, once made
    std::string listTemporary;             // the list's, once made
    // The recovery files' temporary names, the index's first, once made.
    std::vector<std::string> recoveryTemporaries;
    size_t recoveryNamed = 0;  // those of them that have their own names
    std::vector<std::string> temporaries;  // those of parts 0, 1... made so far
    uint32_t partsNamed = 0;  // parts 0 to partsNamed - 1 have their own names
    bool listNamed = false;
    bool joinerNamed = false;
};

OutputSet NoOutputs(const Job& job);

// Each creates its output's temporary file under a name nothing has, into
// *file, its owner; a name found taken is drawn again, a few times. Parts
// are created in order: index is the count of parts made.
int CreateJoinerCopy(OutputSet* outputs, SystemFile* file, SplitFailure* failure);
int CreateList(OutputSet* outputs, SystemFile* file, SplitFailure* failure);
int CreatePart(OutputSet* outputs, uint32_t index, SystemFile* file, SplitFailure* failure);
// The recovery files' temporary files, the index's and then each volume's,
// into *files.
int CreateRecoveryFiles(OutputSet* outputs, std::vector<SystemFile>* files, SplitFailure* failure);

// Writes to an output; name is its own name, for the failure.
int WriteOutput(const SystemFile& file, const void* data, size_t length, const std::string& name,
                const Job& job, SplitFailure* failure);
// Syncs the output and closes it: an output is whole only once both
// succeeded (a failed close is a delayed write error). An output that is not
// finished is closed by its owner, without a word, on a way that fails.
int FinishOutput(SystemFile* file, const std::string& name, const Job& job, SplitFailure* failure);

// Gives every output made its own name, the parts, the list, the recovery
// files, and the joiner
// last so that a set without it is plainly incomplete, and syncs the folder. On a failure the
// outputs named so far are still the run's own (DiscardOutputs removes
// them): a rename never replaces a file.
int NameOutputs(OutputSet* outputs, SplitFailure* failure);

// Removes every output made so far, under whichever name it has. Their
// files must be closed (Windows removes no open file).
void DiscardOutputs(OutputSet* outputs);

#endif

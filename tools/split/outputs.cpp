#include "tools/split/outputs.h"

#include <cstring>

#include "tools/split/names.h"
#include "tools/split/report.h"

const char kTemporaryPrefix[] = ".vantorel-split-";

namespace {

// How many random names are drawn for one output before the run gives up:
// with 64 random bits, a second clash means someone is taking them on purpose.
const int kNameDraws = 8;

// Draws a new beginning for the temporary names.
int DrawStem(OutputSet* outputs) {
    uint8_t random[8];
    if (!outputs->random(random, sizeof random)) {
        Report("cannot draw a temporary name from the system's random source: %s (nothing was "
               "kept)",
               OsLastErrorText());
        return 0;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string stem = kTemporaryPrefix;
    for (uint8_t byte : random) {
        stem += kDigits[byte >> 4];
        stem += kDigits[byte & 15];
    }
    outputs->stem = stem + "-";
    return 1;
}

// Creates the temporary file stem + suffix, drawing a new stem while the
// name is taken; gives the name made.
int CreateTemporary(OutputSet* outputs, const std::string& suffix, bool executable,
                    OsHandle* file, std::string* name) {
    for (int draw = 0; draw < kNameDraws; ++draw) {
        if ((outputs->stem.empty() || draw > 0) && !DrawStem(outputs)) return 0;
        *name = outputs->stem + suffix;
        if (OsCreateIn(outputs->job->directory, *name, executable, file)) return 1;
        if (OsLastError() != OsError::Exists) {
            Report("cannot create '%s': %s (nothing was kept)",
                   ShowName(OutputPath(*outputs, *name)).c_str(), OsLastErrorText());
            return 0;
        }
    }
    Report("cannot create a temporary file in '%s': %d random names were all taken (nothing was "
           "kept)",
           ShowName(outputs->job->outDir).c_str(), kNameDraws);
    return 0;
}

int Rename(const OutputSet& outputs, const std::string& from, const std::string& to) {
    if (!OsRenameIn(outputs.job->directory, from, to)) {
        Report("cannot name '%s': %s (nothing was kept)", ShowName(OutputPath(outputs, to)).c_str(),
               OsLastErrorText());
        return 0;
    }
    return 1;
}

}  // namespace

std::string PartFileName(const Job& job, uint32_t index) {
    std::string suffix;
    PartSuffix(job.cp1252Name, job.plan.partCount, index, &suffix);
    return job.name + suffix;
}

int PrepareOutput(const Options& options, Job* job) {
    job->outDir = options.outDir != nullptr ? options.outDir : OsDirectoryName(options.file);
    if (!OsOpenDirectory(job->outDir, &job->directory)) {
        if (OsLastError() == OsError::Missing) {
            Report("the output directory '%s' does not exist", ShowName(job->outDir).c_str());
        } else if (OsLastError() == OsError::NotDirectory) {
            Report("the output directory '%s' is not a directory", ShowName(job->outDir).c_str());
        } else {
            Report("cannot use the output directory '%s': %s", ShowName(job->outDir).c_str(),
                   OsLastErrorText());
        }
        return 0;
    }

    size_t nameMax = OsLongestName(job->directory);
    // The last part has the longest name of the parts.
    std::string lastPart = PartFileName(*job, job->plan.partCount - 1);
    const std::string& longest =
        lastPart.size() > job->joinerName.size() ? lastPart : job->joinerName;
    if (OsNameLength(longest) > nameMax) {
        Report("the name '%s' is too long: '%s' would exceed the %zu %s a file name can have",
               ShowName(job->name).c_str(), ShowName(longest).c_str(), nameMax, OsNameUnits());
        return 0;
    }

    // Nothing is ever overwritten: not an earlier set, and not the input.
    // (Outputs also take their names without replacing; this finds a clash
    // before anything is cut.)
    for (int64_t i = -1; i < static_cast<int64_t>(job->plan.partCount); ++i) {
        std::string target = i < 0 ? job->joinerName : PartFileName(*job, static_cast<uint32_t>(i));
        NameLookup lookup = OsLookUpIn(job->directory, target);
        if (lookup == NameLookup::Found) {
            Report("'%s' already exists; remove it or choose another --out",
                   ShowName(OsJoinPath(job->outDir, target)).c_str());
            return 0;
        }
        if (lookup == NameLookup::Unknown) {
            Report("cannot tell whether '%s' exists: %s; choose another --out",
                   ShowName(OsJoinPath(job->outDir, target)).c_str(), OsLastErrorText());
            return 0;
        }
    }
    return 1;
}

OutputSet NoOutputs(const Job& job) {
    return OutputSet{&job, OsRandomBytes, std::string(), std::string(), {}, 0, false};
}

std::string OutputPath(const OutputSet& outputs, const std::string& name) {
    return OsJoinPath(outputs.job->outDir, name);
}

void WarnOfLeftovers(const Job& job) {
    std::vector<std::string> names;
    if (!OsListDirectory(job.directory, &names)) return;
    size_t count = 0;
    for (const std::string& name : names) {
        if (name.compare(0, std::strlen(kTemporaryPrefix), kTemporaryPrefix) == 0) ++count;
    }
    if (count > 0) {
        Report("warning: '%s' holds %zu temporary file%s (%s*) of an earlier run, left over "
               "when it was interrupted unless a cut into it is under way; %s can be removed",
               ShowName(job.outDir).c_str(), count, count == 1 ? "" : "s", kTemporaryPrefix,
               count == 1 ? "it" : "they");
    }
}

int CreateJoinerCopy(OutputSet* outputs, OsHandle* file) {
    // The name is kept only once the file is made: a name found taken is
    // someone else's, never to be removed.
    std::string name;
    if (!CreateTemporary(outputs, "join", true, file, &name)) return 0;
    outputs->joinerTemporary = name;
    return 1;
}

int CreatePart(OutputSet* outputs, uint32_t index, OsHandle* file) {
    std::string name;
    if (index != outputs->temporaries.size() ||
        !CreateTemporary(outputs, std::to_string(index), false, file, &name)) {
        return 0;
    }
    outputs->temporaries.push_back(name);
    return 1;
}

int WriteOutput(OsHandle file, const void* data, size_t length, const std::string& name,
                const OutputSet& outputs) {
    if (OsWriteAll(file, data, length)) return 1;
    Report("cannot write '%s': %s (nothing was kept)", ShowName(OutputPath(outputs, name)).c_str(),
           OsLastErrorText());
    OsClose(file);
    return 0;
}

int FinishOutput(OsHandle file, const std::string& name, const OutputSet& outputs) {
    int synced = OsSync(file);
    if (!synced) {
        Report("cannot write '%s': %s (nothing was kept)",
               ShowName(OutputPath(outputs, name)).c_str(), OsLastErrorText());
    }
    if (!OsClose(file)) {
        if (synced) {
            Report("cannot write '%s': %s (nothing was kept)",
                   ShowName(OutputPath(outputs, name)).c_str(), OsLastErrorText());
        }
        return 0;
    }
    return synced;
}

int NameOutputs(OutputSet* outputs) {
    const Job& job = *outputs->job;
    while (outputs->partsNamed < outputs->temporaries.size()) {
        uint32_t index = outputs->partsNamed;
        if (!Rename(*outputs, outputs->temporaries[index], PartFileName(job, index))) return 0;
        ++outputs->partsNamed;
    }
    if (!Rename(*outputs, outputs->joinerTemporary, job.joinerName)) return 0;
    outputs->joinerNamed = true;
    if (!OsSyncDirectory(job.directory)) {
        Report("cannot sync the output directory '%s': %s (nothing was kept)",
               ShowName(job.outDir).c_str(), OsLastErrorText());
        return 0;
    }
    return 1;
}

void DiscardOutputs(OutputSet* outputs) {
    OsHandle directory = outputs->job->directory;
    while (outputs->temporaries.size() > outputs->partsNamed) {
        OsRemoveIn(directory, outputs->temporaries.back());
        outputs->temporaries.pop_back();
    }
    while (outputs->partsNamed > 0) {
        --outputs->partsNamed;
        OsRemoveIn(directory, PartFileName(*outputs->job, outputs->partsNamed));
    }
    outputs->temporaries.clear();
    if (outputs->joinerNamed) {
        OsRemoveIn(directory, outputs->job->joinerName);
    } else if (!outputs->joinerTemporary.empty()) {
        OsRemoveIn(directory, outputs->joinerTemporary);
    }
    outputs->joinerTemporary.clear();
    outputs->joinerNamed = false;
}

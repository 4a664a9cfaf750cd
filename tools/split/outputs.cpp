#include "tools/split/outputs.h"

#include <cstring>

#include "format/checksum_list.h"
#include "tools/split/names.h"

const char kTemporaryPrefix[] = ".vantorel-split-";

namespace {

// How many random names are drawn for one output before the run gives up:
// with 64 random bits, a second clash means someone is taking them on purpose.
const int kNameDraws = 8;

// Draws a new beginning for the temporary names.
int DrawStem(OutputSet* outputs, SplitFailure* failure) {
    uint8_t random[8];
    if (!outputs->random(random, sizeof random)) {
        return FailWithSystem(failure, SplitCause::NoRandomSource, "");
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
int CreateTemporary(OutputSet* outputs, const std::string& suffix, bool executable, OsFile* file,
                    std::string* name, SplitFailure* failure) {
    const Job& job = *outputs->job;
    for (int draw = 0; draw < kNameDraws; ++draw) {
        if ((outputs->stem.empty() || draw > 0) && !DrawStem(outputs, failure)) return 0;
        *name = outputs->stem + suffix;
        if (OsCreateIn(job.directory.handle, *name, executable, file)) return 1;
        if (OsLastError() != OsError::Exists) {
            return FailWithSystem(failure, SplitCause::CannotCreate, OutputPath(job, *name));
        }
    }
    failure->number = kNameDraws;
    return FailWith(failure, SplitCause::TemporariesTaken, job.outDir);
}

int Rename(const Job& job, const std::string& from, const std::string& to,
           SplitFailure* failure) {
    if (OsRenameIn(job.directory.handle, from, to)) return 1;
    return FailWithSystem(failure, SplitCause::CannotName, OutputPath(job, to));
}

}  // namespace

std::string PartFileName(const Job& job, uint32_t index) {
    std::string suffix;
    PartSuffix(job.cp1252Name, job.plan.partCount, index, &suffix);
    return job.name + suffix;
}

std::string OutputPath(const Job& job, const std::string& name) {
    return OsJoinPath(job.outDir, name);
}

int PrepareOutput(const SplitRequest& request, Job* job, SplitFailure* failure) {
    job->outDir = request.outDir ? *request.outDir : OsDirectoryName(job->file);
    if (!OsOpenDirectory(job->outDir, &job->directory)) {
        if (OsLastError() == OsError::Missing) {
            return FailWith(failure, SplitCause::OutDirMissing, job->outDir);
        }
        if (OsLastError() == OsError::NotDirectory) {
            return FailWith(failure, SplitCause::OutDirNotDirectory, job->outDir);
        }
        return FailWithSystem(failure, SplitCause::OutDirCannotUse, job->outDir);
    }

    if (request.list) job->listName = ChecksumListName(job->name);

    size_t nameMax = OsLongestName(job->directory.handle);
    // The last part has the longest name of the parts.
    std::string longest = PartFileName(*job, job->plan.partCount - 1);
    for (const std::string* other : {&job->joinerName, &job->listName}) {
        if (other->size() > longest.size()) longest = *other;
    }
    if (OsNameLength(longest) > nameMax) {
        failure->other = longest;
        failure->number = nameMax;
        failure->units = OsNameUnit();
        return FailWith(failure, SplitCause::NameTooLongForFolder, job->name);
    }

    // Nothing is ever overwritten: not an earlier set, and not the input.
    // (Outputs also take their names without replacing; this finds a clash
    // before anything is cut.) -2: the list, -1: the joiner, then the parts.
    for (int64_t i = -2; i < static_cast<int64_t>(job->plan.partCount); ++i) {
        if (i == -2 && job->listName.empty()) continue;
        std::string target = i == -2   ? job->listName
                             : i == -1 ? job->joinerName
                                       : PartFileName(*job, static_cast<uint32_t>(i));
        NameLookup lookup = OsLookUpIn(job->directory.handle, target);
        if (lookup == NameLookup::Found) {
            return FailWith(failure, SplitCause::OutputExists, OutputPath(*job, target));
        }
        if (lookup == NameLookup::Unknown) {
            return FailWithSystem(failure, SplitCause::OutputUnknown, OutputPath(*job, target));
        }
    }
    return 1;
}

size_t CountLeftovers(const Job& job) {
    std::vector<std::string> names;
    if (!OsListDirectory(job.directory.handle, &names)) return 0;
    size_t count = 0;
    for (const std::string& name : names) {
        if (name.compare(0, std::strlen(kTemporaryPrefix), kTemporaryPrefix) == 0) ++count;
    }
    return count;
}

OutputSet NoOutputs(const Job& job) {
    OutputSet outputs;
    outputs.job = &job;
    outputs.random = OsRandomBytes;
    return outputs;
}

int CreateJoinerCopy(OutputSet* outputs, OsFile* file, SplitFailure* failure) {
    // The name is kept only once the file is made: a name found taken is
    // someone else's, never to be removed.
    std::string name;
    if (!CreateTemporary(outputs, "join", true, file, &name, failure)) return 0;
    outputs->joinerTemporary = name;
    return 1;
}

int CreateList(OutputSet* outputs, OsFile* file, SplitFailure* failure) {
    std::string name;
    if (!CreateTemporary(outputs, "list", false, file, &name, failure)) return 0;
    outputs->listTemporary = name;
    return 1;
}

int CreatePart(OutputSet* outputs, uint32_t index, OsFile* file, SplitFailure* failure) {
    std::string name;
    if (index != outputs->temporaries.size() ||
        !CreateTemporary(outputs, std::to_string(index), false, file, &name, failure)) {
        return 0;
    }
    outputs->temporaries.push_back(name);
    return 1;
}

int WriteOutput(const OsFile& file, const void* data, size_t length, const std::string& name,
                const Job& job, SplitFailure* failure) {
    if (OsWriteAll(file.handle, data, length)) return 1;
    return FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name));
}

int FinishOutput(OsFile* file, const std::string& name, const Job& job, SplitFailure* failure) {
    if (!OsSync(file->handle)) {
        FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name));
        file->Close();
        return 0;
    }
    if (!file->Close()) {
        return FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name));
    }
    return 1;
}

int NameOutputs(OutputSet* outputs, SplitFailure* failure) {
    const Job& job = *outputs->job;
    while (outputs->partsNamed < outputs->temporaries.size()) {
        uint32_t index = outputs->partsNamed;
        if (!Rename(job, outputs->temporaries[index], PartFileName(job, index), failure)) return 0;
        ++outputs->partsNamed;
    }
    if (!outputs->listTemporary.empty() && !outputs->listNamed) {
        if (!Rename(job, outputs->listTemporary, job.listName, failure)) return 0;
        outputs->listNamed = true;
    }
    if (!Rename(job, outputs->joinerTemporary, job.joinerName, failure)) return 0;
    outputs->joinerNamed = true;
    if (!OsSyncDirectory(job.directory.handle)) {
        return FailWithSystem(failure, SplitCause::CannotSyncFolder, job.outDir);
    }
    return 1;
}

void DiscardOutputs(OutputSet* outputs) {
    OsHandle directory = outputs->job->directory.handle;
    while (outputs->temporaries.size() > outputs->partsNamed) {
        OsRemoveIn(directory, outputs->temporaries.back());
        outputs->temporaries.pop_back();
    }
    while (outputs->partsNamed > 0) {
        --outputs->partsNamed;
        OsRemoveIn(directory, PartFileName(*outputs->job, outputs->partsNamed));
    }
    outputs->temporaries.clear();
    if (outputs->listNamed) {
        OsRemoveIn(directory, outputs->job->listName);
    } else if (!outputs->listTemporary.empty()) {
        OsRemoveIn(directory, outputs->listTemporary);
    }
    outputs->listTemporary.clear();
    outputs->listNamed = false;
    if (outputs->joinerNamed) {
        OsRemoveIn(directory, outputs->job->joinerName);
    } else if (!outputs->joinerTemporary.empty()) {
        OsRemoveIn(directory, outputs->joinerTemporary);
    }
    outputs->joinerTemporary.clear();
    outputs->joinerNamed = false;
}

#include "split/outputs.h"

#include <cstring>

#include "format/checksum_list.h"
#include "platform/paths.h"
#include "platform/temporary_name.h"
#include "split/names.h"

const char kTemporaryPrefix[] = ".vantorel-split-";

namespace {

// How many random names are drawn for one output before the run gives up:
// with 64 random bits, a second clash means someone is taking them on purpose.
const uint32_t kNameDraws = 8;

// One output's temporary file, made under the run's digits, or new ones
// when its name is taken.
struct TemporaryTry {
    OutputSet* outputs;
    const std::string* suffix;
    bool executable;
    SystemFile* file;
    std::string name;
    SystemError error;
    bool sourceFailed;
};

int DrawDigits(void* context, uint64_t* bits) {
    TemporaryTry& t = *static_cast<TemporaryTry*>(context);
    OutputSet& outputs = *t.outputs;
    // The run's digits are tried first; a name found taken draws new ones.
    if (outputs.digitsDrawn && t.name.empty()) {
        *bits = outputs.digits;
        return 1;
    }
    uint8_t random[8];
    if (!outputs.random(random, sizeof random, &t.error)) {
        t.sourceFailed = true;
        return 0;
    }
    uint64_t value = 0;
    for (uint8_t byte : random) value = value << 8 | byte;
    outputs.digits = *bits = value;
    outputs.digitsDrawn = true;
    return 1;
}

NameTry MakeTemporary(void* context, const char* digits) {
    TemporaryTry& t = *static_cast<TemporaryTry*>(context);
    t.name = std::string(kTemporaryPrefix) + digits + "-" + *t.suffix;
    if (CreateIn(t.outputs->job->directory.handle, t.name, t.executable, t.file, &t.error)) {
        return NameTry::Made;
    }
    return t.error.fault == SystemFault::Exists ? NameTry::Taken : NameTry::Failed;
}

// Creates the temporary file of suffix ("join", "list", the part's index)
// under the run's digits, drawing new ones while the name is taken; gives
// the name made.
int CreateTemporary(OutputSet* outputs, const std::string& suffix, bool executable, SystemFile* file,
                    std::string* name, SplitFailure* failure) {
    const Job& job = *outputs->job;
    TemporaryTry t{outputs, &suffix, executable, file, "", SystemError(), false};
    NameTry made = MakeUnderTemporaryName(TemporaryNaming{&t, DrawDigits, MakeTemporary}, kNameDraws);
    if (made == NameTry::Made) {
        *name = t.name;
        return 1;
    }
    if (made == NameTry::Taken) {
        failure->number = kNameDraws;
        return FailWith(failure, SplitCause::TemporariesTaken, job.outDir);
    }
    if (t.sourceFailed) return FailWithSystem(failure, SplitCause::NoRandomSource, "", t.error);
    return FailWithSystem(failure, SplitCause::CannotCreate, OutputPath(job, t.name), t.error);
}

int Rename(const Job& job, const std::string& from, const std::string& to,
           SplitFailure* failure) {
    SystemError error;
    if (RenameIn(job.directory.handle, from, to, &error)) return 1;
    return FailWithSystem(failure, SplitCause::CannotName, OutputPath(job, to), error);
}

// The own name of recovery file index: the index file, then the volumes.
std::string RecoveryFileName(const Job& job, size_t index) {
    return index == 0 ? job.recoveryIndexName : job.recoveryVolumes[index - 1].name;
}

}  // namespace

std::string PartFileName(const Job& job, uint32_t index) {
    std::string suffix;
    PartSuffix(job.name, job.plan.partCount, index, &suffix);
    return job.name + suffix;
}

std::string OutputPath(const Job& job, const std::string& name) {
    return JoinPath(job.outDir, name);
}

int PrepareOutput(const SplitRequest& request, Job* job, SplitFailure* failure) {
    job->outDir = request.outDir ? *request.outDir : DirectoryName(job->file);
    SystemError error;
    if (!OpenDirectory(job->outDir, &job->directory, &error)) {
        if (error.fault == SystemFault::Missing) {
            return FailWith(failure, SplitCause::OutDirMissing, job->outDir);
        }
        if (error.fault == SystemFault::NotDirectory) {
            return FailWith(failure, SplitCause::OutDirNotDirectory, job->outDir);
        }
        return FailWithSystem(failure, SplitCause::OutDirCannotUse, job->outDir, error);
    }

    if (request.list) job->listName = ChecksumListName(job->name);
    job->recoveryCount = request.recovery ? *request.recovery : DefaultRecoveryCount(job->plan.partCount);
    if (job->recoveryCount > job->plan.partCount) {
        failure->number = job->recoveryCount;
        failure->other = std::to_string(job->plan.partCount);
        return FailWith(failure, SplitCause::TooMuchRecovery, job->name);
    }
    std::vector<std::string> recoveryNames;
    if (job->recoveryCount > 0) {
        job->recoveryIndexName = Par2IndexName(job->name);
        job->recoveryVolumes = Par2Volumes(job->name, job->recoveryCount);
        recoveryNames.push_back(job->recoveryIndexName);
        for (const Par2Volume& volume : job->recoveryVolumes) recoveryNames.push_back(volume.name);
    }

    size_t nameMax = LongestName(job->directory.handle);
    // The last part has the longest name of the parts.
    std::string longest = PartFileName(*job, job->plan.partCount - 1);
    for (const std::string* other : {&job->joinerName, &job->listName}) {
        if (other->size() > longest.size()) longest = *other;
    }
    for (const std::string& other : recoveryNames) {
        if (other.size() > longest.size()) longest = other;
    }
    if (NameLength(longest) > nameMax) {
        failure->other = longest;
        failure->number = nameMax;
        failure->units = NameUnits();
        return FailWith(failure, SplitCause::NameTooLongForFolder, job->name);
    }

    // Nothing is ever overwritten: not an earlier set, and not the input.
    // (Outputs also take their names without replacing; this finds a clash
    // before anything is cut.) The recovery files, then -2: the list, -1:
    // the joiner, then the parts.
    for (const std::string& target : recoveryNames) {
        NameLookup lookup = LookUpIn(job->directory.handle, target, &error);
        if (lookup == NameLookup::Found) {
            return FailWith(failure, SplitCause::OutputExists, OutputPath(*job, target));
        }
        if (lookup == NameLookup::Unknown) {
            return FailWithSystem(failure, SplitCause::OutputUnknown, OutputPath(*job, target), error);
        }
    }
    for (int64_t i = -2; i < static_cast<int64_t>(job->plan.partCount); ++i) {
        if (i == -2 && job->listName.empty()) continue;
        std::string target = i == -2   ? job->listName
                             : i == -1 ? job->joinerName
                                       : PartFileName(*job, static_cast<uint32_t>(i));
        NameLookup lookup = LookUpIn(job->directory.handle, target, &error);
        if (lookup == NameLookup::Found) {
            return FailWith(failure, SplitCause::OutputExists, OutputPath(*job, target));
        }
        if (lookup == NameLookup::Unknown) {
            return FailWithSystem(failure, SplitCause::OutputUnknown, OutputPath(*job, target), error);
        }
    }
    return 1;
}

size_t CountLeftovers(const Job& job) {
    std::vector<std::string> names;
    SystemError error;
    if (!ListDirectory(job.directory.handle, &names, &error)) return 0;
    size_t count = 0;
    for (const std::string& name : names) {
        if (name.compare(0, std::strlen(kTemporaryPrefix), kTemporaryPrefix) == 0) ++count;
    }
    return count;
}

OutputSet NoOutputs(const Job& job) {
    OutputSet outputs;
    outputs.job = &job;
    outputs.random = RandomBytes;
    return outputs;
}

int CreateJoinerCopy(OutputSet* outputs, SystemFile* file, SplitFailure* failure) {
    // The name is kept only once the file is made: a name found taken is
    // someone else's, never to be removed.
    std::string name;
    if (!CreateTemporary(outputs, "join", true, file, &name, failure)) return 0;
    outputs->joinerTemporary = name;
    return 1;
}

int CreateList(OutputSet* outputs, SystemFile* file, SplitFailure* failure) {
    std::string name;
    if (!CreateTemporary(outputs, "list", false, file, &name, failure)) return 0;
    outputs->listTemporary = name;
    return 1;
}

int CreatePart(OutputSet* outputs, uint32_t index, SystemFile* file, SplitFailure* failure) {
    std::string name;
    if (index != outputs->temporaries.size() ||
        !CreateTemporary(outputs, std::to_string(index), false, file, &name, failure)) {
        return 0;
    }
    outputs->temporaries.push_back(name);
    return 1;
}

int CreateRecoveryFiles(OutputSet* outputs, std::vector<SystemFile>* files, SplitFailure* failure) {
    const Job& job = *outputs->job;
    size_t count = job.recoveryCount > 0 ? job.recoveryVolumes.size() + 1 : 0;
    files->clear();
    files->resize(count);
    for (size_t i = 0; i < count; ++i) {
        std::string name;
        if (!CreateTemporary(outputs, "par2-" + std::to_string(i), false, &(*files)[i], &name, failure)) {
            return 0;
        }
        outputs->recoveryTemporaries.push_back(name);
    }
    return 1;
}

int WriteOutput(const SystemFile& file, const void* data, size_t length, const std::string& name,
                const Job& job, SplitFailure* failure) {
    SystemError error;
    if (WriteAll(file.handle, data, length, &error)) return 1;
    return FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name), error);
}

int FinishOutput(SystemFile* file, const std::string& name, const Job& job, SplitFailure* failure) {
    SystemError error;
    if (!SyncFile(file->handle, &error)) {
        FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name), error);
        file->Close(nullptr);
        return 0;
    }
    if (!file->Close(&error)) {
        return FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name), error);
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
    while (outputs->recoveryNamed < outputs->recoveryTemporaries.size()) {
        size_t index = outputs->recoveryNamed;
        if (!Rename(job, outputs->recoveryTemporaries[index], RecoveryFileName(job, index), failure)) {
            return 0;
        }
        ++outputs->recoveryNamed;
    }
    if (!Rename(job, outputs->joinerTemporary, job.joinerName, failure)) return 0;
    outputs->joinerNamed = true;
    SystemError error;
    if (!SyncDirectory(job.directory.handle, &error)) {
        return FailWithSystem(failure, SplitCause::CannotSyncFolder, job.outDir, error);
    }
    return 1;
}

void DiscardOutputs(OutputSet* outputs) {
    SystemHandle directory = outputs->job->directory.handle;
    while (outputs->temporaries.size() > outputs->partsNamed) {
        RemoveIn(directory, outputs->temporaries.back());
        outputs->temporaries.pop_back();
    }
    while (outputs->partsNamed > 0) {
        --outputs->partsNamed;
        RemoveIn(directory, PartFileName(*outputs->job, outputs->partsNamed));
    }
    outputs->temporaries.clear();
    if (outputs->listNamed) {
        RemoveIn(directory, outputs->job->listName);
    } else if (!outputs->listTemporary.empty()) {
        RemoveIn(directory, outputs->listTemporary);
    }
    outputs->listTemporary.clear();
    outputs->listNamed = false;
    for (size_t i = 0; i < outputs->recoveryTemporaries.size(); ++i) {
        RemoveIn(directory, i < outputs->recoveryNamed ? RecoveryFileName(*outputs->job, i)
                                                       : outputs->recoveryTemporaries[i]);
    }
    outputs->recoveryTemporaries.clear();
    outputs->recoveryNamed = 0;
    if (outputs->joinerNamed) {
        RemoveIn(directory, outputs->job->joinerName);
    } else if (!outputs->joinerTemporary.empty()) {
        RemoveIn(directory, outputs->joinerTemporary);
    }
    outputs->joinerTemporary.clear();
    outputs->joinerNamed = false;
}

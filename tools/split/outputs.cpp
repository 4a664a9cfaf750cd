#include "tools/split/outputs.h"

#include "tools/split/report.h"

namespace {

int Create(const OutputSet& outputs, const std::string& name, bool executable, OsHandle* file) {
    if (!OsCreateIn(outputs.job->directory, name, executable, file)) {
        Report("cannot create '%s': %s (nothing was kept)", ShowName(OutputPath(outputs, name)).c_str(),
               OsLastErrorText());
        return 0;
    }
    return 1;
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

OutputSet NoOutputs(const Job& job) { return OutputSet{&job, false, 0, 0, false}; }

std::string TemporaryName(uint32_t index, bool joiner) {
    std::string name = ".vantorel-split-" + std::to_string(OsProcessId()) + "-";
    return name + (joiner ? std::string("join") : std::to_string(index));
}

std::string OutputPath(const OutputSet& outputs, const std::string& name) {
    return OsJoinPath(outputs.job->outDir, name);
}

int CreateJoinerCopy(OutputSet* outputs, OsHandle* file) {
    if (!Create(*outputs, TemporaryName(0, true), true, file)) return 0;
    outputs->joinerMade = true;
    return 1;
}

int CreatePart(OutputSet* outputs, uint32_t index, OsHandle* file) {
    if (index != outputs->partsMade || !Create(*outputs, TemporaryName(index, false), false, file)) {
        return 0;
    }
    ++outputs->partsMade;
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
        Report("cannot write '%s': %s (nothing was kept)", ShowName(OutputPath(outputs, name)).c_str(),
               OsLastErrorText());
    }
    if (!OsClose(file)) {
        if (synced) {
            Report("cannot write '%s': %s (nothing was kept)", ShowName(OutputPath(outputs, name)).c_str(),
                   OsLastErrorText());
        }
        return 0;
    }
    return synced;
}

int NameOutputs(OutputSet* outputs) {
    const Job& job = *outputs->job;
    while (outputs->partsNamed < outputs->partsMade) {
        uint32_t index = outputs->partsNamed;
        if (!Rename(*outputs, TemporaryName(index, false), PartFileName(job, index))) return 0;
        ++outputs->partsNamed;
    }
    if (!Rename(*outputs, TemporaryName(0, true), job.joinerName)) return 0;
    outputs->joinerNamed = true;
    if (!OsSyncDirectory(job.directory)) {
        Report("cannot sync the output directory '%s': %s (nothing was kept)", ShowName(job.outDir).c_str(),
               OsLastErrorText());
        return 0;
    }
    return 1;
}

void DiscardOutputs(OutputSet* outputs) {
    OsHandle directory = outputs->job->directory;
    while (outputs->partsMade > outputs->partsNamed) {
        --outputs->partsMade;
        OsRemoveIn(directory, TemporaryName(outputs->partsMade, false));
    }
    while (outputs->partsNamed > 0) {
        --outputs->partsNamed;
        OsRemoveIn(directory, PartFileName(*outputs->job, outputs->partsNamed));
    }
    outputs->partsMade = 0;
    if (outputs->joinerNamed) {
        OsRemoveIn(directory, outputs->job->joinerName);
    } else if (outputs->joinerMade) {
        OsRemoveIn(directory, TemporaryName(0, true));
    }
    outputs->joinerMade = false;
    outputs->joinerNamed = false;
}

#include "tools/split/input.h"

#include "join/record_layout.h"
#include "tools/split/names.h"
#include "tools/split/outputs.h"
#include "tools/split/report.h"

namespace {

std::string DescribePlanProblem(PlanProblem problem) {
    switch (problem) {
        case PlanProblem::None: return "no problem";
        case PlanProblem::EmptyFile: return "it is empty";
        case PlanProblem::ZeroPartSize: return "parts of 0 bytes are impossible";
        case PlanProblem::TooFewParts: return "that makes fewer than 2 parts";
        case PlanProblem::MorePartsThanBytes: return "it has fewer bytes than parts";
        case PlanProblem::TooManyParts:
            return "that makes more than " + std::to_string(kMaxPartCount) +
                   " parts, the most a set may have";
    }
    return "unknown problem";
}

}  // namespace

Job::~Job() {
    if (input != kNoHandle) OsClose(input);
    if (directory != kNoHandle) OsClose(directory);
}

int PrepareInput(const Options& options, Job* job) {
    job->file = options.file;
    uint64_t fileSize = 0;
    if (!OsOpenRegularFile(options.file, &job->input, &fileSize)) {
        if (OsLastError() == OsError::NotRegular) {
            Report("'%s' is not a regular file", ShowName(options.file).c_str());
        } else {
            Report("cannot open '%s': %s", ShowName(options.file).c_str(), OsLastErrorText());
        }
        return 0;
    }
    if (!OsGetFileTimes(job->input, &job->inputTimes)) {
        Report("cannot open '%s': %s", ShowName(options.file).c_str(), OsLastErrorText());
        return 0;
    }
    if (OsIsDescriptorLink(options.file)) {
        Report("'%s' is an open stream, not a file in a directory; give the file's own path",
               ShowName(options.file).c_str());
        return 0;
    }
    PlanProblem problem = PlanProblem::None;
    int planned = options.byParts ? PlanByCount(fileSize, options.parts, &job->plan, &problem)
                                  : PlanBySize(fileSize, options.partSize, &job->plan, &problem);
    if (!planned) {
        Report("cannot cut '%s' (%llu bytes): %s", ShowName(options.file).c_str(),
               static_cast<unsigned long long>(fileSize), DescribePlanProblem(problem).c_str());
        return 0;
    }

    job->name = OsBaseName(OsLongPath(options.file));
    std::string error;
    if (!ConvertName(job->name, &job->cp1252Name, &error)) {
        Report("%s", error.c_str());
        return 0;
    }
    // Every index has a name of the joiner's rule; the last has the most
    // digits, so it is the one that may not fit.
    uint32_t count = job->plan.partCount;
    std::string suffix;
    if (job->cp1252Name.size() >= kOutputNameField ||
        !PartSuffix(job->cp1252Name, count, count - 1, &suffix)) {
        Report("the name '%s' is too long: the joiner's part names hold at most 519 characters",
               ShowName(job->name).c_str());
        return 0;
    }
    job->kind = options.kind;
    return 1;
}

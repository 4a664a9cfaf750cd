#include "tools/split/job.h"

#include <cstring>

#include "tools/split/names.h"
#include "tools/split/record.h"
#include "tools/split/report.h"

namespace {

// A joiner is a small program; anything this large is not one.
const uint64_t kMaxJoinerSize = 256u << 20;

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

bool IsWindowsJoiner(const Job& job) {
    return job.location.format == ImageFormat::Pe32 || job.location.format == ImageFormat::Pe32Plus;
}

// Reads the whole joiner into image. defaults: the places of the default
// joiner when path is the last of them that was tried, for the message of a
// missing joiner; empty for a joiner given.
int ReadJoiner(const std::string& path, const std::vector<std::string>& defaults,
               std::vector<uint8_t>* image) {
    OsHandle file = kNoHandle;
    uint64_t size = 0;
    if (!OsOpenRegularFile(path, &file, &size)) {
        if (OsLastError() == OsError::NotRegular) {
            Report("the joiner '%s' is not a regular file", ShowName(path).c_str());
        } else if (OsLastError() == OsError::Missing && !defaults.empty()) {
            std::string places;
            for (const std::string& place : defaults) {
                places += (places.empty() ? "'" : " nor at '") + ShowName(place) + "'";
            }
            Report("no joiner at %s (the default; is the Windows joiner built?); give one with "
                   "--joiner PATH",
                   places.c_str());
        } else {
            Report("cannot open the joiner '%s': %s", ShowName(path).c_str(), OsLastErrorText());
        }
        return 0;
    }
    if (size > kMaxJoinerSize) {
        Report("the joiner '%s' is too large to be a joiner", ShowName(path).c_str());
        OsClose(file);
        return 0;
    }
    image->resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < image->size()) {
        size_t got = 0;
        int read = OsRead(file, image->data() + done, image->size() - done, &got);
        if (!read || got == 0) {
            Report("cannot read the joiner '%s': %s", ShowName(path).c_str(),
                   read ? "it shrank while being read" : OsLastErrorText());
            OsClose(file);
            return 0;
        }
        done += got;
    }
    OsClose(file);
    return 1;
}

}  // namespace

Job::~Job() {
    if (input != kNoHandle) OsClose(input);
    if (directory != kNoHandle) OsClose(directory);
}

std::string PartFileName(const Job& job, uint32_t index) {
    std::string suffix;
    PartSuffix(job.cp1252Name, job.plan.partCount, index, &suffix);
    return job.name + suffix;
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

    job->name = OsBaseName(options.file);
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

int PrepareJoiner(const Options& options, const std::vector<std::string>& defaultJoiners,
                  Job* job) {
    std::vector<std::string> defaults;
    if (options.joiner != nullptr) {
        job->joinerPath = options.joiner;
    } else {
        if (defaultJoiners.empty()) {
            Report("no default joiner is known; give one with --joiner PATH");
            return 0;
        }
        // A place holding anything is taken, so that a broken joiner there
        // is reported rather than passed over.
        defaults = defaultJoiners;
        job->joinerPath = defaults.back();
        for (const std::string& place : defaults) {
            if (OsExists(place)) {
                job->joinerPath = place;
                break;
            }
        }
    }
    if (!ReadJoiner(job->joinerPath, defaults, &job->joiner)) return 0;
    if (!LocateRecord(job->joiner.data(), job->joiner.size(), &job->location)) {
        Report("the joiner '%s' cannot be used: %s", ShowName(job->joinerPath).c_str(),
               DescribeLocateProblem(job->location.problem));
        return 0;
    }
    // The template, or a copy stamped before: both are overwritten whole.
    if (ClassifyRecord(job->joiner.data() + job->location.offset) == RecordKind::Unrecognised) {
        Report("the joiner '%s' cannot be used: the bytes of its join record are neither the "
               "template nor a stamped record",
               ShowName(job->joinerPath).c_str());
        return 0;
    }
    job->joinerName = job->name + (IsWindowsJoiner(*job) ? "__join.exe" : "__join");
    return 1;
}

int PrepareOutput(const Options& options, Job* job) {
    job->outDir = options.outDir != nullptr ? options.outDir : OsDirectoryName(options.file);
    if (!OsOpenDirectory(job->outDir, &job->directory)) {
        if (OsLastError() == OsError::Missing) {
            Report("the output directory '%s' does not exist", ShowName(job->outDir).c_str());
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
        if (OsExistsIn(job->directory, target)) {
            Report("'%s' already exists; remove it or choose another --out",
                   ShowName(OsJoinPath(job->outDir, target)).c_str());
            return 0;
        }
    }
    return 1;
}

void WarnOfLongJoinerName(const Job& job) {
    const size_t kLongJoinerName = 200;
    size_t characters = job.cp1252Name.size() + std::strlen("__join.exe");
    if (IsWindowsJoiner(job) && characters > kLongJoinerName) {
        Report("warning: the joiner's name '%s' has %zu characters; Windows cannot start it "
               "from a folder whose path makes the whole longer than 260 characters",
               ShowName(job.joinerName).c_str(), characters);
    }
}

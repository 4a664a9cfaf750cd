#include "tools/split/job.h"

#include <cstring>

#include "tools/split/names.h"
#include "record/classify.h"
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

// Says that the default joiner is missing, in the words of the tree the
// program runs from.
void ReportMissingDefault(const DefaultJoiner& fallback) {
    if (fallback.buildTree) {
        Report("no joiner at '%s', the default in this build tree (is the Windows joiner "
               "built?); give one with --joiner PATH",
               ShowName(fallback.path).c_str());
    } else {
        Report("no joiner at '%s', where it is installed with this program; give one with "
               "--joiner PATH",
               ShowName(fallback.path).c_str());
    }
}

// Reads the whole joiner into image. fallback: the default joiner when path
// is its place, for the message of a missing joiner; null for a joiner given.
int ReadJoiner(const std::string& path, const DefaultJoiner* fallback,
               std::vector<uint8_t>* image) {
    OsHandle file = kNoHandle;
    uint64_t size = 0;
    if (!OsOpenRegularFile(path, &file, &size)) {
        if (OsLastError() == OsError::NotRegular) {
            Report("the joiner '%s' is not a regular file", ShowName(path).c_str());
        } else if (OsLastError() == OsError::Missing && fallback != nullptr) {
            ReportMissingDefault(*fallback);
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

// Finds the default joiner and reads it, when it can only have been put
// there by the user or the administrator: anyone else's program would be
// stamped and shipped as the user's joiner.
int ReadDefaultJoiner(const DefaultJoiner& fallback, Job* job) {
    if (fallback.path.empty()) {
        Report("cannot tell where this program lies, so there is no default joiner; give one "
               "with --joiner PATH");
        return 0;
    }
    if (OsLookUp(fallback.path) == NameLookup::Absent) {
        ReportMissingDefault(fallback);
        return 0;
    }
    OsDistrust distrust;
    if (!OsCheckTrusted(fallback.path, &job->joinerPath, &distrust)) {
        if (!distrust.reason.empty()) {
            Report("the default joiner '%s' is refused: the %s '%s' %s, so someone else could "
                   "have put it there; give a joiner you trust with --joiner PATH",
                   ShowName(fallback.path).c_str(), distrust.folder ? "folder" : "file",
                   ShowName(distrust.path).c_str(), distrust.reason.c_str());
        } else if (OsLastError() == OsError::Missing) {
            ReportMissingDefault(fallback);
        } else {
            Report("cannot open the joiner '%s': %s", ShowName(fallback.path).c_str(),
                   OsLastErrorText());
        }
        return 0;
    }
    return ReadJoiner(job->joinerPath, &fallback, &job->joiner);
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

int PrepareJoiner(const Options& options, const DefaultJoiner& fallback, Job* job) {
    if (options.joiner != nullptr) {
        // The user's own choice, taken as it is.
        job->joinerPath = options.joiner;
        if (!ReadJoiner(job->joinerPath, nullptr, &job->joiner)) return 0;
    } else if (!ReadDefaultJoiner(fallback, job)) {
        return 0;
    }
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

void WarnOfLongJoinerName(const Job& job) {
    const size_t kLongJoinerName = 200;
    size_t characters = job.cp1252Name.size() + std::strlen("__join.exe");
    if (IsWindowsJoiner(job) && characters > kLongJoinerName) {
        Report("warning: the joiner's name '%s' has %zu characters; Windows cannot start it "
               "from a folder whose path makes the whole longer than 260 characters",
               ShowName(job.joinerName).c_str(), characters);
    }
}

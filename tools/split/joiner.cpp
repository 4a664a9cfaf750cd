#include "tools/split/joiner.h"

#include <cstring>

#include "record/classify.h"
#include "tools/split/report.h"

namespace {

// A joiner is a small program; anything this large is not one.
const uint64_t kMaxJoinerSize = 256u << 20;

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

void WarnOfLongJoinerName(const Job& job) {
    const size_t kLongJoinerName = 200;
    size_t characters = job.cp1252Name.size() + std::strlen("__join.exe");
    if (IsWindowsJoiner(job) && characters > kLongJoinerName) {
        Report("warning: the joiner's name '%s' has %zu characters; Windows cannot start it "
               "from a folder whose path makes the whole longer than 260 characters",
               ShowName(job.joinerName).c_str(), characters);
    }
}

int StampJoiner(Job* job, const JoinRecord& record) {
    uint8_t stamped[kRecordSize];
    if (!EncodeRecord(record, stamped)) return 0;
    std::memcpy(job->joiner.data() + job->location.offset, stamped, kRecordSize);
    RecordLocation check;
    return LocateRecord(job->joiner.data(), job->joiner.size(), &check) &&
           check.offset == job->location.offset &&
           ClassifyRecord(job->joiner.data() + check.offset) == RecordKind::Stamped;
}

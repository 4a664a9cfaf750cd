#include "split/joiner.h"

#include <cstring>

#include "format/classify.h"
#include "format/name_record.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "split/default_joiner.h"

namespace {

// A joiner is a small program; anything this large is not one.
const uint64_t kMaxJoinerSize = 256u << 20;

bool IsWindowsJoiner(const Job& job) {
    return job.location.format == ImageFormat::Pe32 || job.location.format == ImageFormat::Pe32Plus;
}

// The default joiner is missing, said in the words of the tree the program
// runs from.
int FailMissing(SplitFailure* failure, const DefaultJoiner& fallback) {
    failure->buildTree = fallback.buildTree;
    return FailWith(failure, SplitCause::DefaultJoinerMissing, fallback.path);
}

// Reads the whole joiner into image. fallback: the default joiner when path
// is its place, for the failure of a missing joiner; null for a joiner given.
int ReadJoiner(const std::string& path, const DefaultJoiner* fallback,
               std::vector<uint8_t>* image, SplitFailure* failure) {
    SystemFile file;
    uint64_t size = 0;
    SystemError error;
    if (!OpenRegularFile(path, &file, &size, &error)) {
        if (error.fault == SystemFault::NotRegular) {
            return FailWith(failure, SplitCause::JoinerNotRegular, path);
        }
        if (error.fault == SystemFault::Missing && fallback != nullptr) {
            return FailMissing(failure, *fallback);
        }
        return FailWithSystem(failure, SplitCause::JoinerCannotOpen, path, error);
    }
    if (size > kMaxJoinerSize) return FailWith(failure, SplitCause::JoinerTooLarge, path);
    image->resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < image->size()) {
        size_t got = 0;
        if (!ReadSome(file.handle, image->data() + done, image->size() - done, &got, &error)) {
            return FailWithSystem(failure, SplitCause::JoinerCannotRead, path, error);
        }
        if (got == 0) return FailWith(failure, SplitCause::JoinerShrank, path);
        done += got;
    }
    return 1;
}

// Finds the default joiner and reads it, when it can only have been put
// there by the user or the administrator: anyone else's program would be
// stamped and shipped as the user's joiner.
int ReadDefaultJoiner(const DefaultJoiner& fallback, Job* job, SplitFailure* failure) {
    if (fallback.path.empty()) return FailWith(failure, SplitCause::NoOwnPath, "");
    SystemError error;
    if (LookUp(fallback.path, &error) == NameLookup::Absent) return FailMissing(failure, fallback);
    if (!CheckTrusted(fallback.path, &job->joinerPath, &failure->distrust, &error)) {
        if (failure->distrust.reason != DistrustReason::None) {
            return FailWith(failure, SplitCause::DefaultJoinerDistrusted, fallback.path);
        }
        if (error.fault == SystemFault::Missing) return FailMissing(failure, fallback);
        return FailWithSystem(failure, SplitCause::JoinerCannotOpen, fallback.path, error);
    }
    return ReadJoiner(job->joinerPath, &fallback, &job->joiner, failure);
}

}  // namespace

int PrepareJoiner(const SplitRequest& request, Job* job, SplitFailure* failure) {
    if (request.joiner) {
        // The user's own choice, taken as it is.
        job->joinerPath = *request.joiner;
        if (!ReadJoiner(job->joinerPath, nullptr, &job->joiner, failure)) return 0;
    } else {
        // The failures of a default joiner say whose it is.
        failure->joinerSystem = request.system;
        if (!ReadDefaultJoiner(FindDefaultJoiner(request.places), job, failure)) return 0;
    }
    if (!LocateRecord(job->joiner.data(), job->joiner.size(), &job->location)) {
        failure->locate = job->location.problem;
        return FailWith(failure, SplitCause::JoinerUnusable, job->joinerPath);
    }
    // The template, or a copy stamped before: both are overwritten whole.
    if (ClassifyRecord(job->joiner.data() + job->location.offset) == RecordKind::Unrecognised) {
        return FailWith(failure, SplitCause::JoinerRecordUnrecognised, job->joinerPath);
    }
    // The name record beside it, stamped too when there is one; a name with
    // a stand-in needs it, or the parts would be joined under the stand-in.
    job->hasNameRecord =
        LocateRecord(job->joiner.data(), job->joiner.size(), &job->nameLocation, kNameRecordPlace) != 0;
    if (job->nameHasStandIn && !job->hasNameRecord) {
        return FailWith(failure, SplitCause::NameNotWindows1252, job->name);
    }
    job->joinerName = job->name + (IsWindowsJoiner(*job) ? "__join.exe" : "__join");
    return 1;
}

int JoinerNameIsLong(const Job& job, SplitWarning* warning) {
    const size_t kLongJoinerName = 200;
    size_t characters = job.cp1252Name.size() + std::strlen("__join.exe");
    if (!IsWindowsJoiner(job) || characters <= kLongJoinerName) return 0;
    *warning = SplitWarning{SplitWarningKind::LongJoinerName, job.joinerName, characters};
    return 1;
}

int StampJoiner(Job* job, const JoinRecord& record) {
    uint8_t stamped[kRecordSize];
    if (!EncodeRecord(record, stamped)) return 0;
    std::memcpy(job->joiner.data() + job->location.offset, stamped, kRecordSize);
    RecordLocation check;
    if (!LocateRecord(job->joiner.data(), job->joiner.size(), &check) ||
        check.offset != job->location.offset ||
        ClassifyRecord(job->joiner.data() + check.offset) != RecordKind::Stamped) {
        return 0;
    }
    if (!job->hasNameRecord) return 1;
    uint8_t name[kNameRecordSize];
    if (!EncodeNameRecord(job->name, name)) return 0;
    std::memcpy(job->joiner.data() + job->nameLocation.offset, name, kNameRecordSize);
    std::string exact;
    return ExactOutputName(job->joiner.data() + check.offset,
                           job->joiner.data() + job->nameLocation.offset, &exact) &&
           exact == job->name;
}

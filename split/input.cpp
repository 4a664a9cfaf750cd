#include "split/input.h"

#include "format/name_record.h"
#include "format/record_layout.h"
#include "platform/paths.h"
#include "split/names.h"

int PrepareInput(const SplitRequest& request, Job* job, SplitFailure* failure) {
    job->file = request.file;
    job->name = BaseName(LongPath(request.file));
    if (!CheckWindowsName(job->name, failure)) return 0;

    uint64_t fileSize = 0;
    SystemError error;
    if (!OpenRegularFile(job->file, &job->input, &fileSize, &error)) {
        if (error.fault == SystemFault::NotRegular) {
            return FailWith(failure, SplitCause::InputNotRegular, job->file);
        }
        return FailWithSystem(failure, SplitCause::InputCannotOpen, job->file, error);
    }
    if (!GetFileTimes(job->input.handle, &job->inputTimes, &error)) {
        return FailWithSystem(failure, SplitCause::InputCannotOpen, job->file, error);
    }
    if (IsDescriptorLink(job->file)) {
        return FailWith(failure, SplitCause::InputIsStream, job->file);
    }
    int planned = request.byParts
                      ? PlanByCount(fileSize, request.parts, &job->plan, &failure->plan)
                      : PlanBySize(fileSize, request.partSize, &job->plan, &failure->plan);
    if (!planned) {
        failure->number = fileSize;
        return FailWith(failure, SplitCause::CannotCut, job->file);
    }

    if (!ConvertName(job->name, &job->cp1252Name, &job->nameHasStandIn, failure)) return 0;
    // Every index has a name of the joiner's rule; the last has the most
    // digits, so it is the one that may not fit. The joiner names the parts
    // by the exact name in UTF-8.
    uint32_t count = job->plan.partCount;
    std::string suffix;
    if (job->cp1252Name.size() >= kOutputNameField || job->name.size() >= kNameTextField ||
        !PartSuffix(job->name, count, count - 1, &suffix)) {
        return FailWith(failure, SplitCause::NameTooLongForJoiner, job->name);
    }
    job->kind = request.kind;
    return 1;
}

#include "split/plan.h"

#include "format/record_layout.h"

namespace {

int Refuse(PlanProblem* problem, PlanProblem why) {
    *problem = why;
    return 0;
}

}  // namespace

int PlanByCount(uint64_t fileSize, uint64_t count, SplitPlan* plan, PlanProblem* problem) {
    if (fileSize == 0) return Refuse(problem, PlanProblem::EmptyFile);
    if (count < 2) return Refuse(problem, PlanProblem::TooFewParts);
    if (count > kMaxPartCount) return Refuse(problem, PlanProblem::TooManyParts);
    if (count > fileSize) return Refuse(problem, PlanProblem::MorePartsThanBytes);
    plan->fileSize = fileSize;
    plan->partCount = static_cast<uint32_t>(count);
    plan->partSize = fileSize / count;
    plan->lastSize = fileSize - (count - 1) * plan->partSize;
    *problem = PlanProblem::None;
    return 1;
}

int PlanBySize(uint64_t fileSize, uint64_t partSize, SplitPlan* plan, PlanProblem* problem) {
    if (fileSize == 0) return Refuse(problem, PlanProblem::EmptyFile);
    if (partSize == 0) return Refuse(problem, PlanProblem::ZeroPartSize);
    uint64_t count = fileSize / partSize + (fileSize % partSize != 0 ? 1 : 0);
    if (count < 2) return Refuse(problem, PlanProblem::TooFewParts);
    if (count > kMaxPartCount) return Refuse(problem, PlanProblem::TooManyParts);
    plan->fileSize = fileSize;
    plan->partCount = static_cast<uint32_t>(count);
    plan->partSize = partSize;
    plan->lastSize = fileSize - (count - 1) * partSize;
    *problem = PlanProblem::None;
    return 1;
}

uint64_t PartSize(const SplitPlan& plan, uint32_t index) {
    return index + 1 < plan.partCount ? plan.partSize : plan.lastSize;
}

uint32_t DefaultRecoveryCount(uint32_t partCount) { return partCount >= 3 ? 1 : 0; }

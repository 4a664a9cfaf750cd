// How a file is cut: the sizes of its parts.
#ifndef SELVANORE_SPLIT_PLAN_H
#define SELVANORE_SPLIT_PLAN_H

#include <cstdint>

enum class PlanProblem {
    None,
    EmptyFile,           // nothing to cut
    ZeroPartSize,        // parts of 0 bytes asked for
    TooFewParts,         // fewer than 2 parts
    MorePartsThanBytes,  // a part would be empty
    TooManyParts,        // more than kMaxPartCount, the most a set may have
};

// Every part but the last has partSize bytes; the last has lastSize.
struct SplitPlan {
    uint64_t fileSize;
    uint32_t partCount;
    uint64_t partSize;
    uint64_t lastSize;
};

// count parts of fileSize / count bytes, the last one also taking the
// remainder. Either way a set has 2 to kMaxPartCount parts (the joiner's
// limit too): a count beyond it is refused before anything is read.
int PlanByCount(uint64_t fileSize, uint64_t count, SplitPlan* plan, PlanProblem* problem);

// Parts of partSize bytes, the last one shorter when the size does not
// divide.
int PlanBySize(uint64_t fileSize, uint64_t partSize, SplitPlan* plan, PlanProblem* problem);

// Size of part index of the plan.
uint64_t PartSize(const SplitPlan& plan, uint32_t index);

// The recovery slices written when none are asked for: one for a set of 3
// parts or more (for 2 parts it would be a third file as large as a part).
uint32_t DefaultRecoveryCount(uint32_t partCount);

#endif

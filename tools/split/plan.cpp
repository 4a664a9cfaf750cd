#include "tools/split/plan.h"

#include <cstring>

#include "join/part_name.h"
#include "join/record_layout.h"

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

int ParseByteCount(const char* text, uint64_t* value) {
    uint64_t number = 0;
    const char* at = text;
    if (*at < '0' || *at > '9') return 0;
    for (; *at >= '0' && *at <= '9'; ++at) {
        uint64_t digit = static_cast<uint64_t>(*at - '0');
        if (number > (UINT64_MAX - digit) / 10) return 0;
        number = number * 10 + digit;
    }
    int shift = 0;
    switch (*at) {
        case '\0': break;
        case 'K': case 'k': shift = 10; break;
        case 'M': case 'm': shift = 20; break;
        case 'G': case 'g': shift = 30; break;
        default: return 0;
    }
    if (shift != 0) {
        if (at[1] != '\0') return 0;
        if (number > (UINT64_MAX >> shift)) return 0;
        number <<= shift;
    }
    *value = number;
    return 1;
}

int PartSuffix(const std::string& cp1252Name, uint32_t count, uint32_t index,
               std::string* suffix) {
    if (cp1252Name.empty() || cp1252Name.find('\0') != std::string::npos) return 0;
    char name[kNameCapacity];
    int fits = FormatPartName(cp1252Name.c_str(), count, index, name);
    // The joiner reads at most the 626 bytes of the record's name field: a
    // longer name never fits anyway.
    if (!fits || cp1252Name.size() >= std::strlen(name) ||
        std::memcmp(name, cp1252Name.data(), cp1252Name.size()) != 0) {
        return 0;
    }
    *suffix = name + cp1252Name.size();
    return 1;
}

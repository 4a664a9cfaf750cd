#include "text/command_line.h"

OptionMatch MatchLongOption(const std::string& name, const char* const* names, size_t count,
                            size_t* index, std::string* candidates) {
    size_t found = count;
    size_t matches = 0;
    std::string listed;
    for (size_t i = 0; i < count; ++i) {
        std::string option = names[i];
        if (option == name) {
            *index = i;
            return OptionMatch::Found;
        }
        if (!name.empty() && option.compare(0, name.size(), name) == 0) {
            found = i;
            ++matches;
            listed += (listed.empty() ? "--" : ", --") + option;
        }
    }
    if (matches == 1) {
        *index = found;
        return OptionMatch::Found;
    }
    if (matches == 0) return OptionMatch::Unknown;
    *candidates = listed;
    return OptionMatch::Ambiguous;
}

std::string ExitStatusTable(const ExitStatusMeaning* rows, size_t count) {
    std::string text = "Exit status:\n";
    for (size_t i = 0; i < count; ++i) {
        std::string status = std::to_string(rows[i].status);
        text += "  " + status + std::string(5 - status.size(), ' ') + rows[i].meaning + "\n";
    }
    return text;
}

std::string UsageHint(const char* program) {
    return std::string("Try '") + program + " --help' for more information.";
}

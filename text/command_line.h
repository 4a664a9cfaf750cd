// The long options of a command line as GNU programs take them: a name
// given whole, or cut to any beginning that only one option has. Shared by
// the command-line programs (vantorel-split, selvanore); header only, no
// system and no text but the names.
#ifndef SELVANORE_CLI_LONG_OPTION_H
#define SELVANORE_CLI_LONG_OPTION_H

#include <cstddef>
#include <string>

enum class OptionMatch { Found, Unknown, Ambiguous };

// Finds the option that name (without its leading "--") names among the
// count names given (without "--" either). A name given whole is that option
// even when it begins another ("no" beside "no-list"). Found: *index is the
// option's. Ambiguous: *candidates lists the options it begins, as
// "--no-list, --none".
inline OptionMatch MatchLongOption(const std::string& name, const char* const* names,
                                   size_t count, size_t* index, std::string* candidates) {
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

#endif

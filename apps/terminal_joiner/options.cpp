#include "apps/terminal_joiner/options.h"

#include <cstring>

#include "apps/terminal_joiner/texts.h"
#include "text/command_line.h"

namespace {

enum TtyOption { kYes, kNo, kDeleteParts, kHelp, kVersion };
const char* const kTtyNames[] = {"yes", "no", "delete-parts", "help", "version"};

int Refuse(std::string* error, const std::string& reason) {
    *error = reason;
    return 0;
}

}  // namespace

int ParseTtyArguments(int argc, const char* const* argv, TtyOptions* options, std::string* error) {
    *options = TtyOptions{};
    bool files = false;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (!onlyFiles && word[0] == '-' && word[1] != '\0') {
            if (std::strcmp(word, "--") == 0) {
                onlyFiles = true;
                continue;
            }
            if (std::strcmp(word, "-h") == 0) {
                options->help = true;
                continue;
            }
            if (word[1] != '-') return Refuse(error, TtyRefusalText(TtyRefusal::UnknownOption, word));
            std::string name = word + 2;
            size_t equals = name.find('=');
            size_t option = 0;
            std::string candidates;
            switch (MatchLongOption(name.substr(0, equals), kTtyNames, 5, &option, &candidates)) {
                case OptionMatch::Found: break;
                case OptionMatch::Unknown:
                    return Refuse(error, TtyRefusalText(TtyRefusal::UnknownLongOption, name.substr(0, equals)));
                case OptionMatch::Ambiguous:
                    return Refuse(error, TtyRefusalText(TtyRefusal::Ambiguous, name.substr(0, equals), candidates));
            }
            if (equals != std::string::npos) {
                return Refuse(error, TtyRefusalText(TtyRefusal::TakesNoValue, kTtyNames[option]));
            }
            Answering answering = Answering::Ask;
            switch (option) {
                case kHelp: options->help = true; break;
                case kVersion: options->version = true; break;
                case kDeleteParts: options->deleteParts = true; break;
                case kYes: answering = Answering::Yes; break;
                default: answering = Answering::No; break;
            }
            if (answering != Answering::Ask) {
                if (options->answering != Answering::Ask && options->answering != answering) {
                    return Refuse(error, TtyRefusalText(TtyRefusal::YesAndNo));
                }
                options->answering = answering;
            }
            continue;
        }
        if (files) return Refuse(error, TtyRefusalText(TtyRefusal::TwoFiles));
        if (word[0] == '\0') return Refuse(error, TtyRefusalText(TtyRefusal::EmptyFile));
        files = true;
        options->file = word;
    }
    return 1;
}

#include "apps/split_command/options.h"

#include <cstdlib>
#include <cstring>

#include "apps/split_command/texts.h"
#include "hash/checksum_kinds.h"
#include "format/record_layout.h"
#include "text/command_line.h"
#include "version.h"

namespace {

int Refuse(std::string* error, const std::string& reason) {
    *error = reason;
    return 0;
}

// The long options, without their "--"; those before kNoList take a value.
enum LongOption { kParts, kSize, kChecksum, kJoiner, kFor, kOut, kRecovery, kNoList, kHelp, kVersion };
const char* const kLongNames[] = {"parts", "size",     "checksum", "joiner", "for",
                                  "out",   "recovery", "no-list",  "help",   "version"};
const size_t kLongCount = sizeof kLongNames / sizeof kLongNames[0];

bool TakesValue(size_t option) { return option < kNoList; }

// Reads the value of the option into *options. Messages name the option by
// its long name, however it was given.
int TakeValue(size_t option, const char* value, Options* options, std::string* error) {
    ByteCountProblem problem = ByteCountProblem::None;
    switch (option) {
        case kParts:
            if (std::strspn(value, "0123456789") != std::strlen(value) ||
                !ParseByteCount(value, &options->parts, &problem)) {
                if (problem == ByteCountProblem::TooLarge) {
                    return Refuse(error, RefusalText(Refusal::PartsTooLarge, value));
                }
                return Refuse(error, RefusalText(Refusal::PartsNotANumber, value));
            }
            options->byParts = true;
            break;
        case kSize:
            // A preset's name (the window's sizes), else a byte count.
            options->mailLimit = 0;
            if (const CutPreset* preset = FindCutPreset(value)) {
                options->partSize = preset->partSize;
                options->mailLimit = preset->mailLimit;
            } else if (!ParseByteCount(value, &options->partSize, &problem)) {
                if (problem == ByteCountProblem::TooLarge) {
                    return Refuse(error, RefusalText(Refusal::SizeTooLarge, value));
                }
                return Refuse(error, RefusalText(Refusal::SizeNotANumber, value));
            }
            options->bySize = true;
            break;
        case kChecksum: {
            const ChecksumKindInfo* kind = FindChecksumName(value);
            if (kind == nullptr) {
                return Refuse(error, RefusalText(Refusal::UnknownChecksum, value));
            }
            options->kind = kind->kind;
            break;
        }
        case kJoiner:
            options->joiner = value;
            break;
        case kFor:
            if (std::strcmp(value, "windows") == 0) {
                options->system = JoinerSystem::Windows;
            } else if (std::strcmp(value, "linux") == 0) {
                options->system = JoinerSystem::Linux;
            } else {
                return Refuse(error, RefusalText(Refusal::UnknownSystem, value));
            }
            break;
        case kRecovery: {
            uint64_t count = 0;
            if (*value == '\0' || std::strspn(value, "0123456789") != std::strlen(value) ||
                std::strlen(value) > 6 || (count = std::strtoull(value, nullptr, 10)) > kMaxPartCount) {
                return Refuse(error, RefusalText(Refusal::RecoveryNotANumber, value));
            }
            options->recovery = static_cast<uint32_t>(count);
            options->recoveryGiven = true;
            break;
        }
        default:
            options->outDir = value;
            break;
    }
    return 1;
}

// Reads a word of short options: -h, and -n and -b with their value
// attached ("-n4") or in the next word. *i moves past a value taken from
// the next word. Returns 2 when the word ends the reading (-h).
int TakeShortOptions(int argc, char** argv, int* i, Options* options, std::string* error) {
    const char* word = argv[*i];
    for (size_t at = 1; word[at] != '\0'; ++at) {
        char letter = word[at];
        if (letter == 'h') {
            options->help = true;
            return 2;
        }
        if (letter != 'n' && letter != 'b') {
            return Refuse(error, RefusalText(Refusal::UnknownShortOption, std::string(1, letter)));
        }
        size_t option = letter == 'n' ? kParts : kSize;
        const char* value = word + at + 1;
        if (*value == '\0') {
            if (*i + 1 >= argc) {
                return Refuse(error, RefusalText(Refusal::ShortOptionNeedsValue, std::string(1, letter)));
            }
            value = argv[++*i];
        }
        return TakeValue(option, value, options, error);
    }
    return 1;
}

}  // namespace

int ParseArguments(int argc, char** argv, Options* options, std::string* error, bool slashHelp) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (!optionsEnded && slashHelp && argument == "/?") {
            options->help = true;
            return 1;
        }
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            if (options->file != nullptr) {
                return Refuse(error, RefusalText(Refusal::TwoFiles, options->file, argument));
            }
            options->file = argv[i];
            continue;
        }
        if (argument[1] != '-') {
            int taken = TakeShortOptions(argc, argv, &i, options, error);
            if (taken == 0) return 0;
            if (taken == 2) return 1;
            continue;
        }

        std::string name = argument.substr(2);
        const char* value = nullptr;
        size_t equals = name.find('=');
        if (equals != std::string::npos) {
            name = name.substr(0, equals);
            value = argv[i] + 2 + equals + 1;
        }
        size_t option = kLongCount;
        std::string candidates;
        switch (MatchLongOption(name, kLongNames, kLongCount, &option, &candidates)) {
            case OptionMatch::Found: break;
            case OptionMatch::Unknown: return Refuse(error, RefusalText(Refusal::UnknownOption, name));
            case OptionMatch::Ambiguous:
                return Refuse(error, RefusalText(Refusal::AmbiguousOption, name, candidates));
        }
        if (!TakesValue(option) && value != nullptr) {
            return Refuse(error, RefusalText(Refusal::OptionTakesNoValue, kLongNames[option]));
        }
        if (option == kHelp) {
            options->help = true;
            return 1;
        }
        if (option == kVersion) {
            options->version = true;
            return 1;
        }
        if (option == kNoList) {
            options->list = false;
            continue;
        }
        if (value == nullptr) {
            if (i + 1 >= argc) return Refuse(error, RefusalText(Refusal::OptionNeedsValue, kLongNames[option]));
            value = argv[++i];
        }
        if (!TakeValue(option, value, options, error)) return 0;
    }

    if (options->file == nullptr) return Refuse(error, RefusalText(Refusal::NoFile));
    if (options->byParts == options->bySize) return Refuse(error, RefusalText(Refusal::NoCut));
    return 1;
}

SplitRequest RequestOf(const Options& options, const JoinerPlaces& windows,
                       const JoinerPlaces& linuxJoiner) {
    SplitRequest request;
    request.file = options.file;
    request.byParts = options.byParts;
    request.parts = options.parts;
    request.partSize = options.partSize;
    request.kind = options.kind;
    if (options.joiner != nullptr) request.joiner = options.joiner;
    request.system = options.system;
    request.list = options.list;
    if (options.recoveryGiven) request.recovery = options.recovery;
    request.creator = std::string(kProgramName) + " " SELVANORE_VERSION_TEXT;
    if (options.outDir != nullptr) request.outDir = options.outDir;
    request.places = options.system == JoinerSystem::Linux ? linuxJoiner : windows;
    return request;
}

#include "apps/split_command/options.h"

#include <cstring>

#include "hash/checksum_kinds.h"
#include "text/command_line.h"
#include "format/record_layout.h"
#include "text/show.h"
#include "apps/split_command/exit_status.h"
#include "apps/split_command/report.h"

namespace {

// The option names of every checksum kind, between separator and, before
// the last, last: "none, md5, ... or sha256".
std::string ChecksumOptions(const char* separator, const char* last) {
    std::string names;
    for (uint32_t i = 0; i < kChecksumKindCount; ++i) {
        if (i > 0) names += i + 1 < kChecksumKindCount ? separator : last;
        names += kChecksumKinds[i].option;
    }
    return names;
}

int Refuse(std::string* error, const std::string& reason) {
    *error = reason;
    return 0;
}

// The long options, without their "--"; those before kNoList take a value.
enum LongOption { kParts, kSize, kChecksum, kJoiner, kFor, kOut, kNoList, kHelp, kVersion };
const char* const kLongNames[] = {"parts", "size",    "checksum", "joiner", "for",
                                  "out",   "no-list", "help",     "version"};
const size_t kLongCount = sizeof kLongNames / sizeof kLongNames[0];

bool TakesValue(size_t option) { return option < kNoList; }

// Reads the value of the option into *options. Messages name the option by
// its long name, however it was given.
int TakeValue(size_t option, const char* value, Options* options, std::string* error) {
    std::string name = std::string("--") + kLongNames[option];
    ByteCountProblem problem = ByteCountProblem::None;
    switch (option) {
        case kParts:
            if (std::strspn(value, "0123456789") != std::strlen(value) ||
                !ParseByteCount(value, &options->parts, &problem)) {
                if (problem == ByteCountProblem::TooLarge) {
                    return Refuse(error, "--parts '" + ShowName(value) +
                                             "' is too large: a set has at most " +
                                             std::to_string(kMaxPartCount) + " parts");
                }
                return Refuse(error, "--parts takes a whole number, not '" + ShowName(value) + "'");
            }
            options->byParts = true;
            break;
        case kSize:
            if (!ParseByteCount(value, &options->partSize, &problem)) {
                if (problem == ByteCountProblem::TooLarge) {
                    return Refuse(error, "--size '" + ShowName(value) +
                                             "' is too large: at most 18446744073709551615 bytes");
                }
                return Refuse(error, "--size takes a number of bytes with an optional unit (" +
                                         std::string(kByteCountUnits) + ", in any case), not '" +
                                         ShowName(value) + "'");
            }
            options->bySize = true;
            break;
        case kChecksum: {
            const ChecksumKindInfo* kind = FindChecksumName(value);
            if (kind == nullptr) {
                return Refuse(error, "--checksum takes " + ChecksumOptions(", ", " or ") +
                                         " (in any case, with or without the dash), not '" +
                                         ShowName(value) + "'");
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
                return Refuse(error, name + " takes linux or windows, not '" + ShowName(value) + "'");
            }
            break;
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
            return Refuse(error, "unknown option '-" + ShowName(std::string(1, letter)) + "'");
        }
        size_t option = letter == 'n' ? kParts : kSize;
        const char* value = word + at + 1;
        if (*value == '\0') {
            if (*i + 1 >= argc) {
                return Refuse(error, std::string("option -") + letter + " needs a value");
            }
            value = argv[++*i];
        }
        return TakeValue(option, value, options, error);
    }
    return 1;
}

}  // namespace

std::string UsageText(const DefaultJoiner& windows, const DefaultJoiner& linuxJoiner,
                      bool slashHelp) {
    const char* indent = "\n                     ";
    std::string joiner = windows.place.empty() ? std::string("none")
                         : windows.buildTree
                             ? "the Windows joiner of this" + std::string(indent) +
                                   "build tree, found from this program's folder at" + indent +
                                   windows.place
                             : "the Windows joiner installed" + std::string(indent) +
                                   "with this program, found from its folder at" + indent +
                                   windows.place;
    std::string linuxText = linuxJoiner.place.empty() ? std::string("linux (none)")
                            : linuxJoiner.buildTree
                                ? "linux, the Linux joiner of this build tree, found" +
                                      std::string(indent) + "from this program's folder at" +
                                      indent + linuxJoiner.place
                                : "linux, the Linux joiner installed with this program," +
                                      std::string(indent) + "found from its folder at" + indent +
                                      linuxJoiner.place;
    return "usage: vantorel-split FILE (-n N | -b SIZE) [--checksum KIND] [--joiner PATH]\n"
           "                      [--out DIR] [--for linux|windows] [--no-list]\n"
           "       vantorel-split --help | --version\n"
           "\n"
           "Cuts FILE into parts named NAME__000, NAME__001, ... (four digits above 1000\n"
           "parts) and puts beside them a copy of the joiner, NAME__join.exe for a Windows\n"
           "joiner or NAME__join for a Linux one, stamped with the file's name, size, part\n"
           "count and checksum. Running the copy rebuilds FILE from the parts.\n"
           "\n"
           "NAME.sha256 beside them lists the SHA-256 of every part and of FILE in the\n"
           "format sha256sum -c reads: \"sha256sum -c --ignore-missing NAME.sha256\" checks\n"
           "the parts, and after \"cat NAME__[0-9]* > NAME\" the same without\n"
           "--ignore-missing checks the whole file too.\n"
           "\n"
           "  -n, --parts N      N parts of equal size, the last also taking the remainder\n"
           "  -b, --size SIZE    parts of SIZE bytes, the last one shorter: a number with\n"
           "                     an optional unit in any case, K, M, G or KiB, MiB, GiB\n"
           "                     for 1024, 1024^2, 1024^3 and KB, MB, GB for 1000,\n"
           "                     1000^2, 1000^3 (10M, 10mb, 100KiB, 1g)\n"
           "                     (a set has 2 to " + std::to_string(kMaxPartCount) + " parts)\n"
           "  --checksum KIND    checksum the joiner verifies after joining (default " +
           FindChecksumKind(Options().kind)->option + ")" + indent +
           ChecksumOptions(", ", " or ") + ", in any case and with or" + indent +
           "without the dash (SHA256, sha-256, Md5)\n"
           "  --joiner PATH      joiner to copy (default: " +
           joiner +
           ")\n"
           "  --for SYSTEM       the joiner copied without --joiner: windows (the default)" +
           indent + "or " + linuxText + "\n"
           "  --no-list          write no NAME.sha256\n"
           "  --out DIR          directory of the parts, the list and the joiner" + indent +
           "(default: FILE's)\n"
           "  -h, --help         this text" + (slashHelp ? " (/? too)" : "") + "\n"
           "  --version          the program's version\n"
           "\n"
           "A long option may be cut to any beginning no other option has (--che md5).\n"
           "KB, MB and GB are powers of 1000, here as in Vantorel.exe, which says KiB,\n"
           "MiB and GiB for its powers of 1024.\n"
           "Existing files are never overwritten: the run is refused when a part, the\n"
           "list or the joiner copy already exists. Names Windows reserves for devices\n"
           "(CON, NUL, COM1, LPT1... with any extension) and names ending in a dot or a\n"
           "space are refused. On any failure nothing is left behind.\n"
           "\n" + ExitStatusText();
}

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
                return Refuse(error, "more than one FILE given ('" + ShowName(options->file) +
                                         "' and '" + ShowName(argument) + "')");
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
            case OptionMatch::Unknown:
                return Refuse(error, "unknown option '--" + ShowName(name) + "'");
            case OptionMatch::Ambiguous:
                return Refuse(error, "option '--" + ShowName(name) + "' is ambiguous (" +
                                         candidates + ")");
        }
        std::string longName = std::string("--") + kLongNames[option];
        if (!TakesValue(option) && value != nullptr) {
            return Refuse(error, "option " + longName + " takes no value");
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
            if (i + 1 >= argc) return Refuse(error, "option " + longName + " needs a value");
            value = argv[++i];
        }
        if (!TakeValue(option, value, options, error)) return 0;
    }

    if (options->file == nullptr) return Refuse(error, "no FILE given");
    if (options->byParts == options->bySize) {
        return Refuse(error, "give exactly one of --parts N (-n) and --size SIZE (-b)");
    }
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
    if (options.outDir != nullptr) request.outDir = options.outDir;
    request.places = options.system == JoinerSystem::Linux ? linuxJoiner : windows;
    return request;
}

#include "tools/split/options.h"

#include <cstring>

#include "hash/checksum_kinds.h"
#include "join/record_layout.h"
#include "tools/split/report.h"

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

// Reads the value of the option name into *options.
int TakeValue(const std::string& name, const char* value, Options* options, std::string* error) {
    if (name == "--parts") {
        if (std::strspn(value, "0123456789") != std::strlen(value) ||
            !ParseByteCount(value, &options->parts)) {
            return Refuse(error, "--parts takes a whole number, not '" + ShowName(value) + "'");
        }
        options->byParts = true;
    } else if (name == "--size") {
        if (!ParseByteCount(value, &options->partSize)) {
            return Refuse(error, "--size takes a number of bytes with an optional K, M or G, not '" +
                                     ShowName(value) + "'");
        }
        options->bySize = true;
    } else if (name == "--checksum") {
        const ChecksumKindInfo* kind = FindChecksumOption(value);
        if (kind == nullptr) {
            return Refuse(error, "--checksum takes " + ChecksumOptions(", ", " or ") + ", not '" +
                                     ShowName(value) + "'");
        }
        options->kind = kind->kind;
    } else if (name == "--joiner") {
        options->joiner = value;
    } else if (name == "--for") {
        if (std::strcmp(value, "windows") == 0) {
            options->system = JoinerSystem::Windows;
        } else if (std::strcmp(value, "linux") == 0) {
            options->system = JoinerSystem::Linux;
        } else {
            return Refuse(error, "--for takes linux or windows, not '" + ShowName(value) + "'");
        }
    } else {
        options->outDir = value;
    }
    return 1;
}

}  // namespace

std::string UsageText(const DefaultJoiner& windows, const DefaultJoiner& linuxJoiner) {
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
    return "usage: vantorel-split FILE (--parts N | --size BYTES[K|M|G])\n"
           "                      [--checksum " + ChecksumOptions("|", "|") +
           "] [--joiner PATH] [--out DIR]\n"
           "                      [--for linux|windows] [--no-list]\n"
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
           "  --parts N          N parts of equal size, the last also taking the remainder\n"
           "  --size BYTES       parts of BYTES bytes, the last one shorter; K, M and G\n"
           "                     multiply by 1024, 1024^2 and 1024^3\n"
           "                     (a set has 2 to " + std::to_string(kMaxPartCount) + " parts)\n"
           "  --checksum KIND    checksum the joiner verifies after joining (default " +
           FindChecksumKind(Options().kind)->option + ")\n"
           "  --joiner PATH      joiner to copy (default: " +
           joiner +
           ")\n"
           "  --for SYSTEM       the joiner copied without --joiner: windows (the default)" +
           indent + "or " + linuxText + "\n"
           "  --no-list          write no NAME.sha256\n"
           "  --out DIR          directory of the parts, the list and the joiner" + indent +
           "(default: FILE's)\n"
           "  --help             this text\n"
           "\n"
           "Existing files are never overwritten: the run is refused when a part, the\n"
           "list or the joiner copy already exists. Names Windows reserves for devices\n"
           "(CON, NUL, COM1, LPT1... with any extension) and names ending in a dot or a\n"
           "space are refused. On any failure nothing is left behind.\n"
           "Exit status: 0 done, 1 failed, 2 bad command line or name, 130 interrupted.\n";
}

int ParseArguments(int argc, char** argv, Options* options, std::string* error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (argument.size() > 1 && argument[0] == '-' && !optionsEnded) {
                return Refuse(error, "unknown option '" + ShowName(argument) + "' (see --help)");
            }
            if (options->file != nullptr) {
                return Refuse(error, "more than one FILE given ('" + ShowName(options->file) +
                                         "' and '" + ShowName(argument) + "')");
            }
            options->file = argv[i];
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help") {
            options->help = true;
            return 1;
        }
        if (argument == "--no-list") {
            options->list = false;
            continue;
        }

        std::string name = argument;
        const char* value = nullptr;
        size_t equals = argument.find('=');
        if (equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argv[i] + equals + 1;
        }
        if (name == "--no-list") {
            return Refuse(error, "option --no-list takes no value (see --help)");
        }
        bool known = name == "--parts" || name == "--size" || name == "--checksum" ||
                     name == "--joiner" || name == "--for" || name == "--out";
        if (!known) return Refuse(error, "unknown option '" + ShowName(name) + "' (see --help)");
        if (value == nullptr) {
            if (i + 1 >= argc) return Refuse(error, "option " + name + " needs a value (see --help)");
            value = argv[++i];
        }
        if (!TakeValue(name, value, options, error)) return 0;
    }

    if (options->file == nullptr) return Refuse(error, "no FILE given (see --help)");
    if (options->byParts == options->bySize) {
        return Refuse(error, "give exactly one of --parts N and --size BYTES (see --help)");
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

#include "apps/terminal_joiner/options.h"

#include <cstring>

#include "text/command_line.h"
#include "text/show.h"

const char kTtyUsage[] = "usage: selvanore [--yes | --no] [--delete-parts] [FILE]\n";

namespace {

const char kHelpText[] =
    "usage: selvanore [--yes | --no] [--delete-parts] [FILE]\n"
    "       selvanore --help | --version\n"
    "\n"
    "Rebuilds a file cut by vantorel-split from its parts and verifies it, in a\n"
    "terminal: the joiner of the Windows program, with its Spanish messages.\n"
    "\n"
    "  FILE            a Windows joiner NAME__join.exe, whose record is read as\n"
    "                  data and never run, or a checksum list NAME.sha256; the\n"
    "                  parts and the output are in FILE's folder. Without FILE:\n"
    "                  the record of this copy (NAME__join, stamped by\n"
    "                  vantorel-split --for linux), the parts beside it.\n"
    "  --yes, --no     answer every question (replace an existing file, keep a\n"
    "                  file whose checksum is wrong) yes, or no\n"
    "  --delete-parts  delete the parts after a verified join\n"
    "  -h, --help      this text\n"
    "  --version       the version\n"
    "\n"
    "A long option may be cut to any beginning no other option has (--del).\n"
    "With a checksum list NAME.sha256 beside the parts, each part is checked as it\n"
    "is joined, and a damaged or missing part is named. Questions are asked and\n"
    "keys read on the controlling terminal, whatever the input and output are:\n"
    "p pauses and resumes, q or Ctrl+C cancels (nothing is kept). Without one\n"
    "every question is answered no: nothing unverified is kept, nothing replaced,\n"
    "nothing deleted. In the background the terminal is left alone until the job\n"
    "is brought to the foreground, and a question stops the job until then.\n"
    "\n";

const ExitStatusMeaning kExitStatuses[] = {
    {kExitDone, "joined and verified"},
    {kExitFailed, "not joined"},
    {kExitUsage, "a bad command line, an unusable FILE or record, or a failed start-up"},
    {kExitInterrupted, "interrupted or cancelled"},
};

enum TtyOption { kYes, kNo, kDeleteParts, kHelp, kVersion };
const char* const kTtyNames[] = {"yes", "no", "delete-parts", "help", "version"};

int Refuse(std::string* error, const std::string& reason) {
    *error = reason;
    return 0;
}

}  // namespace

std::string TtyHint() { return UsageHint("selvanore") + "\n"; }

std::string TtyHelp() {
    return kHelpText + ExitStatusTable(kExitStatuses, sizeof kExitStatuses / sizeof kExitStatuses[0]);
}

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
            if (word[1] != '-') return Refuse(error, "unknown option '" + ShowName(word) + "'");
            std::string name = word + 2;
            size_t equals = name.find('=');
            size_t option = 0;
            std::string candidates;
            switch (MatchLongOption(name.substr(0, equals), kTtyNames, 5, &option, &candidates)) {
                case OptionMatch::Found: break;
                case OptionMatch::Unknown:
                    return Refuse(error, "unknown option '--" + ShowName(name.substr(0, equals)) + "'");
                case OptionMatch::Ambiguous:
                    return Refuse(error, "option '--" + ShowName(name.substr(0, equals)) +
                                             "' is ambiguous (" + candidates + ")");
            }
            if (equals != std::string::npos) {
                return Refuse(error, std::string("option --") + kTtyNames[option] +
                                         " takes no value");
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
                    return Refuse(error, "--yes and --no exclude each other");
                }
                options->answering = answering;
            }
            continue;
        }
        if (files) return Refuse(error, "one FILE at most");
        if (word[0] == '\0') return Refuse(error, "an empty FILE");
        files = true;
        options->file = word;
    }
    return 1;
}

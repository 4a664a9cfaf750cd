#include "ui/tty/options.h"

#include <cstring>

#include "ui/tty/show.h"

const char kTtyUsage[] = "usage: selvanore [--yes | --no] [--delete-parts] [FILE]\n";

const char kTtyHelp[] =
    "usage: selvanore [--yes | --no] [--delete-parts] [FILE]\n"
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
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "With a checksum list NAME.sha256 beside the parts, each part is checked as it\n"
    "is joined, and a damaged or missing part is named. On a terminal p pauses and\n"
    "resumes, q or Ctrl+C cancels (nothing is kept); without one a question takes\n"
    "its default (replace: no; keep: yes; delete the parts: no).\n"
    "Exit status: 0 joined and verified, 1 not joined, 2 bad command line or\n"
    "unusable record, 130 interrupted.\n";

int ParseTtyArguments(int argc, const char* const* argv, TtyOptions* options, std::string* error) {
    *options = TtyOptions{};
    bool files = false;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (!onlyFiles && word[0] == '-' && word[1] != '\0') {
            Answering answering = Answering::Ask;
            if (std::strcmp(word, "--") == 0) {
                onlyFiles = true;
            } else if (std::strcmp(word, "--help") == 0) {
                options->help = true;
            } else if (std::strcmp(word, "--version") == 0) {
                options->version = true;
            } else if (std::strcmp(word, "--delete-parts") == 0) {
                options->deleteParts = true;
            } else if (std::strcmp(word, "--yes") == 0) {
                answering = Answering::Yes;
            } else if (std::strcmp(word, "--no") == 0) {
                answering = Answering::No;
            } else {
                *error = "unknown option '" + ShowName(word) + "'";
                return 0;
            }
            if (answering != Answering::Ask) {
                if (options->answering != Answering::Ask && options->answering != answering) {
                    *error = "--yes and --no exclude each other";
                    return 0;
                }
                options->answering = answering;
            }
            continue;
        }
        if (files) {
            *error = "one FILE at most";
            return 0;
        }
        if (word[0] == '\0') {
            *error = "an empty FILE";
            return 0;
        }
        files = true;
        options->file = word;
    }
    return 1;
}

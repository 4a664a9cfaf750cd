// The splitter's command line: its options, read into the job's request.
// Its help and its refusals are texts.h's.
#ifndef SELVANORE_APPS_SPLIT_COMMAND_OPTIONS_H
#define SELVANORE_APPS_SPLIT_COMMAND_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "hash/checksum_kinds.h"
#include "split/byte_count.h"
#include "split/presets.h"
#include "split/default_joiner.h"

struct Options {
    const char* file = nullptr;
    uint64_t parts = 0;
    uint64_t partSize = 0;
    uint64_t mailLimit = 0;  // a mail preset's limit (split/presets.h), for the summary
    bool byParts = false;
    bool bySize = false;
    uint32_t kind = CHECKSUM_SHA256;
    const char* joiner = nullptr;
    JoinerSystem system = JoinerSystem::Windows;
    bool list = true;
    bool recoveryGiven = false;  // otherwise the default of the part count
    uint32_t recovery = 0;
    const char* outDir = nullptr;
    bool help = false;
    bool version = false;
};

// Reads the command line into *options: "--name VALUE" and "--name=VALUE",
// a long name cut to any beginning only one option has ("--che"), "-n N",
// "-nN", "-b SIZE", "-bSIZE" and "-h"; "--" ends the options. --help, -h
// (and with slashHelp "/?") or --version end the reading. Returns 0 with
// the one-line reason in *error when it is not a valid command line.
int ParseArguments(int argc, char** argv, Options* options, std::string* error,
                   bool slashHelp = false);

// The run a valid command line asks for, its default joiner at the places of
// the system asked for.
SplitRequest RequestOf(const Options& options, const JoinerPlaces& windows,
                       const JoinerPlaces& linuxJoiner);

#endif

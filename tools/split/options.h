// The splitter's command line.
#ifndef SELVANORE_TOOLS_SPLIT_OPTIONS_H
#define SELVANORE_TOOLS_SPLIT_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

#include "hash/checksum_kinds.h"
#include "tools/split/job.h"

struct Options {
    const char* file = nullptr;
    uint64_t parts = 0;
    uint64_t partSize = 0;
    bool byParts = false;
    bool bySize = false;
    uint32_t kind = CHECKSUM_SHA256;
    const char* joiner = nullptr;
    bool list = true;
    const char* outDir = nullptr;
    bool help = false;
};

// The --help text. defaultJoiner: where the joiner used without --joiner
// lies, relative to the program's folder (empty when that is unknown);
// buildTree: the program runs from its build tree.
std::string UsageText(const std::string& defaultJoiner, bool buildTree);

// Reads the command line into *options ("--name VALUE" and "--name=VALUE"
// both work; "--" ends the options). Returns 0 with the one-line reason in
// *error when it is not a valid command line.
int ParseArguments(int argc, char** argv, Options* options, std::string* error);

// The run a valid command line asks for, its default joiner at places.
SplitRequest RequestOf(const Options& options, const JoinerPlaces& places);

// Reads a decimal count of bytes with an optional suffix K, M or G (either
// case; powers of 1024). Returns 0 for anything else, for an empty text and
// on overflow.
int ParseByteCount(const char* text, uint64_t* value);

#endif

// vantorel-split: cuts a file into numbered parts and puts beside them a copy
// of the joiner with the join record stamped into it.
//
// Everything that can be checked is checked before the first byte is
// written (job.cpp). The outputs are written under temporary names and take
// their own names only once all are on disk, never replacing a file
// (outputs.cpp); the summary comes last. A failure or an interruption part
// way, a name taken meanwhile or a summary that cannot be written removes
// every output made so far, so a run leaves either the whole set, told in
// its summary, or nothing, told in one line; a run killed outright leaves no
// set that looks complete.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "tools/split/cut.h"
#include "tools/split/input.h"
#include "tools/split/joiner.h"
#include "tools/split/names.h"
#include "tools/split/options.h"
#include "tools/split/os.h"
#include "tools/split/outputs.h"
#include "tools/split/report.h"

// Where the default joiner lies, relative to this program's folder: in an
// installed tree bin/../share/selvanore (on Windows beside the program), in
// the build tree the Windows build's (none on Windows, whose build puts the
// joiner beside the program too).
#ifndef VANTOREL_INSTALLED_JOINER
#define VANTOREL_INSTALLED_JOINER "Selvanore.exe"
#endif
#ifndef VANTOREL_BUILD_JOINER
#define VANTOREL_BUILD_JOINER ""
#endif

namespace {

const int kExitFailure = 1;
const int kExitUsage = 2;
const int kExitInterrupted = 130;

// The file CMake keeps at the top of a build tree, where the program lies
// (its RUNTIME_OUTPUT_DIRECTORY): an installed tree has none, so a release
// never looks at the build tree's place, and no build path is compiled in.
const char kBuildTreeMarker[] = "CMakeCache.txt";

// The default joiner of the tree this program runs from; an absolute place
// (a packager's choice) stays as it is.
DefaultJoiner FindDefaultJoiner() {
    DefaultJoiner joiner;
    std::string self = OsOwnPath();
    std::string directory = OsDirectoryName(self);
    joiner.buildTree = VANTOREL_BUILD_JOINER[0] != '\0' && !self.empty() &&
                       OsLookUp(OsJoinPath(directory, kBuildTreeMarker)) == NameLookup::Found;
    joiner.place = joiner.buildTree ? VANTOREL_BUILD_JOINER : VANTOREL_INSTALLED_JOINER;
    // Without its own path the program knows no folder of its own: "." would
    // be the working directory, which anyone may have chosen.
    if (!self.empty()) {
        joiner.path = joiner.place[0] == '/' ? joiner.place : OsJoinPath(directory, joiner.place);
    }
    return joiner;
}

// Cuts the parts, writes the stamped joiner, names the outputs and prints
// the summary; returns the exit status. The caller removes the outputs, the
// named ones too, when it is not 0: the run then prints nothing but its
// failure.
int WriteOutputs(Job& job, OutputSet* outputs, CHash* engine, uint8_t* buffer) {
    // The joiner's temporary file is made first, so that nothing is cut
    // when it cannot be; its bytes are written once the checksum is known.
    OsHandle joiner = kNoHandle;
    if (!CreateJoinerCopy(outputs, &joiner)) return kExitFailure;
    if (!CutParts(&job, outputs, engine, buffer)) {
        OsClose(joiner);
        return OsInterrupted() ? kExitInterrupted : kExitFailure;
    }

    JoinRecord record;
    std::memset(&record, 0, sizeof record);
    record.checksumKind = job.kind;
    record.expectedSize = job.plan.fileSize;
    record.partCount = job.plan.partCount;
    if (engine) {
        engine->Finish();
        engine->GetDigestText(record.checksumText);
    }
    std::memcpy(record.outputName, job.cp1252Name.c_str(), job.cp1252Name.size() + 1);
    if (!StampJoiner(&job, record)) {
        OsClose(joiner);
        Report("internal error: the stamped joiner does not read back (nothing was kept)");
        return kExitFailure;
    }
    if (!WriteOutput(joiner, job.joiner.data(), job.joiner.size(), job.joinerName, *outputs) ||
        !FinishOutput(joiner, job.joinerName, *outputs)) {
        return kExitFailure;
    }
    if (OsInterrupted()) {
        Report("interrupted; nothing was kept");
        return kExitInterrupted;
    }

    // The names first: a run that loses one to another (a second cut of the
    // same file) keeps nothing, and must not have said that it made a set.
    // The summary after them: an output that cannot take it (a full device,
    // a closed pipe) fails the run, whose outputs, made by renames that
    // never replace, are all its own to remove.
    if (!NameOutputs(outputs)) return kExitFailure;
    std::string summary = ShowName(job.name) + ": " + std::to_string(job.plan.fileSize) +
                          " bytes in " + std::to_string(job.plan.partCount) + " parts, " +
                          ShowName(PartFileName(job, 0)) + " to " +
                          ShowName(PartFileName(job, job.plan.partCount - 1)) + "\n" +
                          "joiner: " + ShowName(OutputPath(*outputs, job.joinerName)) + "\n";
    if (engine) summary += std::string(engine->m_name) + ": " + record.checksumText + "\n";
    summary += "joiner copied from: " + ShowName(job.joinerPath) + "\n";
    if (!OsWriteText(OsStream::Output, summary)) {
        Report("cannot write the summary to the standard output: %s (nothing was kept)",
               OsLastErrorText());
        return kExitFailure;
    }
    return 0;
}

int Run(const Options& options) {
    std::string error;
    if (!CheckWindowsName(OsBaseName(OsLongPath(options.file)), &error)) {
        Report("%s", error.c_str());
        return kExitUsage;
    }
    Job job;
    if (!PrepareInput(options, &job) || !PrepareJoiner(options, FindDefaultJoiner(), &job) ||
        !PrepareOutput(options, &job)) {
        return kExitFailure;
    }
    WarnOfLongJoinerName(job);
    WarnOfLeftovers(job);

    std::unique_ptr<CHash> engine;
    if (job.kind != CHECKSUM_NONE) {
        engine.reset(CreateHashEngine(job.kind));
        if (!engine) {
            Report("out of memory");
            return kExitFailure;
        }
        engine->Reset();
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kCutBufferSize]);
    if (!buffer) {
        Report("out of memory");
        return kExitFailure;
    }

    OsCatchInterruptions();
    OutputSet outputs = NoOutputs(job);
    int status = WriteOutputs(job, &outputs, engine.get(), buffer.get());
    if (status != 0) DiscardOutputs(&outputs);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // The arguments as UTF-8, kept for the whole run: the options point
    // into them.
    std::vector<std::string> arguments = OsArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);

    Options options;
    std::string error;
    if (!ParseArguments(static_cast<int>(arguments.size()), pointers.data(), &options, &error)) {
        Report("%s", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        DefaultJoiner joiner = FindDefaultJoiner();
        bool written = OsWriteText(OsStream::Output, UsageText(joiner.place, joiner.buildTree));
        return written ? 0 : kExitFailure;
    }
    return Run(options);
}

// vantorel-split: cuts a file into numbered parts and puts beside them a copy
// of the joiner with the join record stamped into it. The job (split/job.h) checks,
// cuts, stamps and names; this front end reads the command line, runs the
// job, says what became of it and ends with its exit status. The summary
// comes last, once every output has its name: when it cannot be written,
// the outputs are removed again, and the run prints only its failure.
#include <string>
#include <vector>

#include "apps/split_command/exit_status.h"
#include "split/default_joiner.h"
#include "split/job.h"
#include "platform/console.h"
#include "platform/paths.h"
#include "apps/split_command/options.h"
#include "apps/split_command/report.h"
#include "apps/split_command/texts.h"

// Where the default joiners lie, relative to this program's folder: in an
// installed tree bin/../share/selvanore (on Windows the Windows joiner in
// plantilla\ beside the program, the Linux one beside it), in the build
// tree the Windows build's Windows joiner and this build's Linux joiner (on
// Windows the Windows joiner beside the program).
#ifndef VANTOREL_INSTALLED_JOINER
#define VANTOREL_INSTALLED_JOINER "Selvanore.exe"
#endif
#ifndef VANTOREL_BUILD_JOINER
#define VANTOREL_BUILD_JOINER ""
#endif
#ifndef VANTOREL_INSTALLED_LINUX_JOINER
#define VANTOREL_INSTALLED_LINUX_JOINER "selvanore"
#endif
#ifndef VANTOREL_BUILD_LINUX_JOINER
#define VANTOREL_BUILD_LINUX_JOINER ""
#endif

namespace {

const JoinerPlaces kWindowsJoiner = {VANTOREL_INSTALLED_JOINER, VANTOREL_BUILD_JOINER};
const JoinerPlaces kLinuxJoiner = {VANTOREL_INSTALLED_LINUX_JOINER, VANTOREL_BUILD_LINUX_JOINER};

int Run(int argc, char** argv) {
    Options options;
    std::string error;
    SystemError streamError;
    if (!ParseArguments(argc, argv, &options, &error, SlashAsksForHelp())) {
        Report("%s", error.c_str());
        WriteToStream(StandardStream::Error, UsageHint(kProgramName) + "\n", &streamError);
        return kExitUsage;
    }
    if (options.help) {
        std::string help = UsageText(FindDefaultJoiner(kWindowsJoiner), FindDefaultJoiner(kLinuxJoiner),
                                     SlashAsksForHelp());
        return WriteToStream(StandardStream::Output, help, &streamError) ? kExitDone : kExitFailed;
    }
    if (options.version) {
        return WriteToStream(StandardStream::Output, VersionText(), &streamError) ? kExitDone : kExitFailed;
    }

    SplitRequest request = RequestOf(options, kWindowsJoiner, kLinuxJoiner);
    request.events = TerminalEvents();
    SplitOutcome outcome;
    if (!RunSplit(request, &outcome)) {
        Report("%s", DescribeFailure(outcome.failure).c_str());
        return ExitStatusOf(outcome);
    }
    // A summary that cannot be written (a full device, a closed pipe) fails
    // the run: the outcome removes the outputs, all of them its own.
    if (!WriteToStream(StandardStream::Output, SummaryText(outcome.result, options.mailLimit, options.partSize), &streamError)) {
        Report("%s", SummaryFailedText(streamError.reason).c_str());
        return kExitFailed;
    }
    KeepOutputs(&outcome);
    return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    // The arguments as UTF-8, kept for the whole run: the options point
    // into them.
    std::vector<std::string> arguments = CommandLineArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);

    int status = Run(static_cast<int>(arguments.size()), pointers.data());
    // Started from Explorer, the window would close before its lines could
    // be read: say what this program is, and wait.
    if (InAConsoleOfItsOwn(GetConsoleState())) {
        SystemError error;
        WriteToStream(StandardStream::Output, OwnConsoleNote(ProgramPath(&error)), &error);
        WaitForKey();
    }
    return status;
}

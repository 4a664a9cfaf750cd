#include "apps/split_command/exit_status.h"

namespace {

// The status of each cause; a cause added to job.h without a status here
// is a warning (-Wswitch), so every cause has one.
int StatusOfCause(SplitCause cause) {
    switch (cause) {
        // The file's own name: Windows would keep it for a device or change
        // it, or the joiner or the folder cannot carry it.
        case SplitCause::DeviceName:
        case SplitCause::DroppedEnd:
        case SplitCause::NameNotUtf8:
        case SplitCause::NameNotWindows1252:
        case SplitCause::NameNotAllowed:
        case SplitCause::NameTooLongForJoiner:
        case SplitCause::NameTooLongForFolder:
        case SplitCause::TooMuchRecovery:
            return kExitUsage;
        case SplitCause::Interrupted:
            return kExitInterrupted;
        case SplitCause::InputNotRegular:
        case SplitCause::InputCannotOpen:
        case SplitCause::InputIsStream:
        case SplitCause::CannotCut:
        case SplitCause::NoOwnPath:
        case SplitCause::DefaultJoinerMissing:
        case SplitCause::DefaultJoinerDistrusted:
        case SplitCause::JoinerNotRegular:
        case SplitCause::JoinerCannotOpen:
        case SplitCause::JoinerTooLarge:
        case SplitCause::JoinerCannotRead:
        case SplitCause::JoinerShrank:
        case SplitCause::JoinerUnusable:
        case SplitCause::JoinerRecordUnrecognised:
        case SplitCause::OutDirMissing:
        case SplitCause::OutDirNotDirectory:
        case SplitCause::OutDirCannotUse:
        case SplitCause::OutputExists:
        case SplitCause::OutputUnknown:
        case SplitCause::OutOfMemory:
        case SplitCause::NoRandomSource:
        case SplitCause::CannotCreate:
        case SplitCause::TemporariesTaken:
        case SplitCause::CannotWrite:
        case SplitCause::CannotReadInput:
        case SplitCause::InputShrank:
        case SplitCause::InputGrew:
        case SplitCause::InputChanged:
        case SplitCause::CannotReadPart:
        case SplitCause::PartChanged:
        case SplitCause::StampUnreadable:
        case SplitCause::CannotName:
        case SplitCause::CannotSyncFolder:
            break;
    }
    return kExitFailed;
}

}  // namespace

int ExitStatusOf(const SplitOutcome& outcome) {
    if (outcome.interrupted) return kExitInterrupted;
    return StatusOfCause(outcome.failure.cause);
}

// The terminal's loop when poll(2) fails while the worker waits in its
// synchronous send: the join is cancelled as Anular does and the worker is
// served until it has ended, instead of the program waiting for ever for a
// worker that waits for it.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>

#include "hash/checksum_kinds.h"
#include "join/survey.h"
#include "tests/support/encode_record.h"
#include "tests/support/fake_record.h"
#include "tests/support/part_names.h"
#include "tests/support/temp_dir.h"
#include "ui/closing.h"
#include "ui/dialog.h"
#include "apps/terminal_joiner/terminal.h"

namespace {

// Waits as poll does, until something is ready (the worker has handed
// over a message and waits for it), then fails as poll may.
int FailingPoll(pollfd* watched, nfds_t count, int timeout) {
    poll(watched, count, timeout);
    errno = ENOMEM;
    return -1;
}

// In a child, a session of its own (no controlling terminal) in folder:
// the set's join started and its loop run with the failing poll. Exits with
// 0 when the join ended cancelled.
[[noreturn]] void JoinWithFailingPoll(const std::string& folder) {
    setsid();
    if (chdir(folder.c_str()) != 0) _exit(126);
    dup2(open("/dev/null", O_WRONLY), 1);
    UseTerminalPoll(FailingPoll);
    if (!OpenTerminal(TerminalSettings{}) || !PrepareJob()) _exit(125);
    InitJoinDialog(TerminalDialog());
    OnStartButton();
    RunTerminalLoop();
    CloseTerminal();
    _exit(GetJoinEnd() == JoinEnd::Cancelled ? 0 : 1);
}

TEST(TerminalLoop, AFailedPollCancelsTheJoinAndServesTheWorker) {
    TempDir dir(TempDir::kStay);
    std::set<std::string> parts;
    for (uint32_t i = 0; i < 3; ++i) {
        parts.insert(ExpectedPartName("sondeo.bin", 3, i));
        WriteFile(dir / ExpectedPartName("sondeo.bin", 3, i), 100000, i);
    }
    ASSERT_TRUE(EncodeRecord(CHECKSUM_NONE, 300000, 3, "sondeo.bin", "", g_fakeRecord));

    pid_t child = fork();
    if (child == 0) JoinWithFailingPoll(dir.Path().string());
    int status = 0;
    for (int i = 0; i < 1000 && waitpid(child, &status, WNOHANG) == 0; ++i) usleep(10000);
    if (waitpid(child, &status, WNOHANG) == 0) {
        ADD_FAILURE() << "still running after ten seconds";
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "not cancelled: " << status;
    EXPECT_EQ(ListNames(dir.Path().string()), parts) << "nothing joined is left";
}

}  // namespace

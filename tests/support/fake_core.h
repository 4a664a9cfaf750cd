// Stand-ins for the events and threads of platform_core, on the standard
// library's threads: they behave like the real ones, count what the program
// does with them, fail on request, and let a test watch every change of an
// event as it happens.
#ifndef SELVANORE_TESTS_SUPPORT_FAKE_CORE_H
#define SELVANORE_TESTS_SUPPORT_FAKE_CORE_H

#include <atomic>
#include <functional>

struct FakeCore {
    // Creation of the worker's thread, or of a helper thread, fails.
    bool failThreads = false;
    bool failHelpers = false;
    // The worker's thread is created but cannot be resumed: it never runs.
    bool failResume = false;

    std::atomic<int> threadsCreated{0};
    std::atomic<int> helpersCreated{0};
    std::atomic<int> helpersAlive{0};
    std::atomic<int> helperTasks{0};
    // A helper waits this long before each task, as a slow processor would:
    // a worker that does not wait for the task before reusing the block
    // checksums other bytes.
    int helperDelayMs = 0;

    // Runs on the caller's thread just before an event is set ("signal") or
    // reset ("clear").
    std::function<void(const char* operation)> onEvent;
};

extern FakeCore g_core;

void ResetFakeCore();

#endif

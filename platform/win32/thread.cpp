// Threads on Windows: the handle is the value.
#include <windows.h>

#include <atomic>
#include <new>

#include "platform/platform.h"
#include "platform/spin.h"

namespace {

struct Start {
    ThreadEntry entry;
    void* parameter;
};

DWORD WINAPI Run(void* argument) {
    Start start = *static_cast<Start*>(argument);
    delete static_cast<Start*>(argument);
    return start.entry(start.parameter);
}

}  // namespace

ThreadHandle CreateSuspendedThread(ThreadEntry entry, void* parameter) {
    Start* start = new (std::nothrow) Start{entry, parameter};
    if (start == nullptr) return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, Run, start, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) delete start;
    return reinterpret_cast<ThreadHandle>(thread);
}

int SetLowestPriority(ThreadHandle thread) {
    return SetThreadPriority(reinterpret_cast<HANDLE>(thread), THREAD_PRIORITY_LOWEST) != 0;
}

int ResumeSuspendedThread(ThreadHandle thread) {
    return ResumeThread(reinterpret_cast<HANDLE>(thread)) != static_cast<DWORD>(-1);
}

void CloseThreadHandle(ThreadHandle thread) { CloseHandle(reinterpret_cast<HANDLE>(thread)); }

// The helper: a thread that takes one task at a time. Each side waits for a
// flag the other sets (handed: a task or the end is there to take; busy: a
// task has not returned), first spinning briefly, then asleep on an
// auto-reset event that the other side sets only when it finds the waiter
// asleep: a hand-over between two running threads makes no system call.
struct Doorbell {
    HANDLE event = nullptr;  // auto-reset
    std::atomic<int> sleeping{0};
};

struct PlatformHelper {
    HANDLE thread = nullptr;
    Doorbell started;   // the helper waits here for a task
    Doorbell finished;  // the creator waits here for the task's return
    std::atomic<int> handed{0};
    std::atomic<int> busy{0};
    HelperTask task = nullptr;
    void* parameter = nullptr;
    bool ending = false;
};

namespace {

// Waits until flag holds value. A waiter that finds the flag set after it
// said it sleeps takes back its word; when the setter took it first, the
// event is on its way and is consumed, so that it never wakes a later wait.
void WaitFor(Doorbell& bell, const std::atomic<int>& flag, int value) {
    if (SpinUntil(flag, value)) return;
    for (;;) {
        bell.sleeping.store(1);
        if (flag.load() == value) {
            if (bell.sleeping.exchange(0) == 0) WaitForSingleObject(bell.event, INFINITE);
            return;
        }
        WaitForSingleObject(bell.event, INFINITE);
        if (flag.load() == value) return;
    }
}

// Sets flag to value and wakes the other side if it sleeps.
void Ring(Doorbell& bell, std::atomic<int>& flag, int value) {
    flag.store(value);
    if (bell.sleeping.exchange(0) == 1) SetEvent(bell.event);
}

DWORD WINAPI RunHelper(void* argument) {
    HelperHandle helper = static_cast<HelperHandle>(argument);
    for (;;) {
        WaitFor(helper->started, helper->handed, 1);
        helper->handed.store(0);
        if (helper->ending) return 0;
        helper->task(helper->parameter);
        Ring(helper->finished, helper->busy, 0);
    }
}

void FreeHelper(HelperHandle helper) {
    if (helper->started.event != nullptr) CloseHandle(helper->started.event);
    if (helper->finished.event != nullptr) CloseHandle(helper->finished.event);
    delete helper;
}

}  // namespace

HelperHandle CreateHelperThread() {
    HelperHandle helper = new (std::nothrow) PlatformHelper;
    if (helper == nullptr) return nullptr;
    helper->started.event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    helper->finished.event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (helper->started.event == nullptr || helper->finished.event == nullptr) {
        FreeHelper(helper);
        return nullptr;
    }
    helper->thread = CreateThread(nullptr, 0, RunHelper, helper, CREATE_SUSPENDED, nullptr);
    if (helper->thread == nullptr) {
        FreeHelper(helper);
        return nullptr;
    }
    // Windows threads start at normal priority: take the creator's.
    SetThreadPriority(helper->thread, GetThreadPriority(GetCurrentThread()));
    if (ResumeThread(helper->thread) == static_cast<DWORD>(-1)) {
        // The thread never ran a line of its own: end it and give up the
        // helper (the worker then checksums in line). Should it not end, its
        // memory stays, so that it never runs on a freed helper.
        bool ended = TerminateThread(helper->thread, 0) != 0 &&
                     WaitForSingleObject(helper->thread, INFINITE) == WAIT_OBJECT_0;
        CloseHandle(helper->thread);
        if (ended) FreeHelper(helper);
        return nullptr;
    }
    return helper;
}

// The flags order the accesses: the task's fields are written before the
// flag that hands it over, and read by the creator only after busy is
// cleared.
void StartHelperTask(HelperHandle helper, HelperTask task, void* parameter) {
    helper->task = task;
    helper->parameter = parameter;
    helper->busy.store(1);
    Ring(helper->started, helper->handed, 1);
}

void AwaitHelperTask(HelperHandle helper) { WaitFor(helper->finished, helper->busy, 0); }

void CloseHelperThread(HelperHandle helper) {
    helper->ending = true;
    Ring(helper->started, helper->handed, 1);
    WaitForSingleObject(helper->thread, INFINITE);
    CloseHandle(helper->thread);
    FreeHelper(helper);
}

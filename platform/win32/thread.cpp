// Threads on Windows: the handle is the value.
#include <windows.h>

#include <new>

#include "platform/platform.h"

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

// The helper: a thread that sleeps on an auto-reset event between tasks and
// signals another when a task has returned.
struct PlatformHelper {
    HANDLE thread;
    HANDLE started;   // auto-reset: a task (or the end) has been handed over
    HANDLE finished;  // manual reset: set while no task runs
    HelperTask task;
    void* parameter;
    bool ending;
};

namespace {

DWORD WINAPI RunHelper(void* argument) {
    HelperHandle helper = static_cast<HelperHandle>(argument);
    for (;;) {
        WaitForSingleObject(helper->started, INFINITE);
        if (helper->ending) return 0;
        helper->task(helper->parameter);
        SetEvent(helper->finished);
    }
}

void FreeHelper(HelperHandle helper) {
    if (helper->started != nullptr) CloseHandle(helper->started);
    if (helper->finished != nullptr) CloseHandle(helper->finished);
    delete helper;
}

}  // namespace

HelperHandle CreateHelperThread() {
    HelperHandle helper = new (std::nothrow) PlatformHelper{};
    if (helper == nullptr) return nullptr;
    helper->started = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    helper->finished = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (helper->started == nullptr || helper->finished == nullptr) {
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

// The events order the accesses: the fields are written before the helper
// is woken and read by the creator only after it has signalled.
void StartHelperTask(HelperHandle helper, HelperTask task, void* parameter) {
    helper->task = task;
    helper->parameter = parameter;
    ResetEvent(helper->finished);
    SetEvent(helper->started);
}

void AwaitHelperTask(HelperHandle helper) { WaitForSingleObject(helper->finished, INFINITE); }

void CloseHelperThread(HelperHandle helper) {
    helper->ending = true;
    SetEvent(helper->started);
    WaitForSingleObject(helper->thread, INFINITE);
    CloseHandle(helper->thread);
    FreeHelper(helper);
}

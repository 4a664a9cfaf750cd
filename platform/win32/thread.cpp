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

// Threads on POSIX. A pthread cannot be created suspended, so the new thread
// waits on a latch that ResumeSuspendedThread opens. Its priority is its nice
// value, raised by two (the lowest normal level) when it starts running.
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>

#include "platform/platform.h"
#include "platform/spin.h"

struct PlatformThread {
    ThreadEntry entry;
    void* parameter;
    pthread_t thread;
    std::mutex mutex;
    std::condition_variable resumed;
    bool running = false;
    bool lowered = false;
    // The handle and the thread each hold a reference; the last frees it.
    std::atomic<int> references{2};
};

namespace {

void Release(ThreadHandle thread) {
    if (thread->references.fetch_sub(1) == 1) delete thread;
}

void* Run(void* argument) {
    ThreadHandle self = static_cast<ThreadHandle>(argument);
    ThreadEntry entry;
    void* parameter;
    {
        std::unique_lock<std::mutex> lock(self->mutex);
        self->resumed.wait(lock, [self] { return self->running; });
        entry = self->entry;
        parameter = self->parameter;
        if (self->lowered) {
            int nice = getpriority(PRIO_PROCESS, 0);
            setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice + 2);
        }
    }
    Release(self);
    entry(parameter);
    return nullptr;
}

}  // namespace

ThreadHandle CreateSuspendedThread(ThreadEntry entry, void* parameter) {
    ThreadHandle thread = new (std::nothrow) PlatformThread;
    if (thread == nullptr) return nullptr;
    thread->entry = entry;
    thread->parameter = parameter;
    if (pthread_create(&thread->thread, nullptr, Run, thread) != 0) {
        delete thread;
        return nullptr;
    }
    return thread;
}

int SetLowestPriority(ThreadHandle thread) {
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->lowered = true;
    return 1;
}

int ResumeSuspendedThread(ThreadHandle thread) {
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->running = true;
    thread->resumed.notify_all();
    return 1;
}

void CloseThreadHandle(ThreadHandle thread) {
    pthread_detach(thread->thread);
    Release(thread);
}

// The helper: a pthread that takes one task at a time. Each side waits for a
// flag the other sets (handed: a task or the end is there to take; busy: a
// task has not returned), first spinning briefly, then asleep on the
// condition variable; the flags change under the mutex, so that no wake-up
// is lost, and a hand-over between two running threads makes no system call.
struct PlatformHelper {
    pthread_t thread;
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<int> handed{0};
    std::atomic<int> busy{0};
    HelperTask task = nullptr;
    void* parameter = nullptr;
    bool ending = false;
};

namespace {

void WaitFor(HelperHandle helper, const std::atomic<int>& flag, int value) {
    if (SpinUntil(flag, value)) return;
    std::unique_lock<std::mutex> lock(helper->mutex);
    helper->changed.wait(lock, [&flag, value] { return flag.load() == value; });
}

void Ring(HelperHandle helper, std::atomic<int>& flag, int value) {
    {
        std::lock_guard<std::mutex> lock(helper->mutex);
        flag.store(value);
    }
    helper->changed.notify_all();
}

void* RunHelper(void* argument) {
    HelperHandle helper = static_cast<HelperHandle>(argument);
    for (;;) {
        WaitFor(helper, helper->handed, 1);
        helper->handed.store(0);
        if (helper->ending) return nullptr;
        helper->task(helper->parameter);
        Ring(helper, helper->busy, 0);
    }
}

}  // namespace

HelperHandle CreateHelperThread() {
    HelperHandle helper = new (std::nothrow) PlatformHelper;
    if (helper == nullptr) return nullptr;
    // A new thread inherits its creator's nice value: the priority follows.
    if (pthread_create(&helper->thread, nullptr, RunHelper, helper) != 0) {
        delete helper;
        return nullptr;
    }
    return helper;
}

// The task's fields are written before the flag that hands it over, and
// read by the creator only after busy is cleared.
void StartHelperTask(HelperHandle helper, HelperTask task, void* parameter) {
    helper->task = task;
    helper->parameter = parameter;
    helper->busy.store(1);
    Ring(helper, helper->handed, 1);
}

void AwaitHelperTask(HelperHandle helper) { WaitFor(helper, helper->busy, 0); }

void CloseHelperThread(HelperHandle helper) {
    helper->ending = true;
    Ring(helper, helper->handed, 1);
    pthread_join(helper->thread, nullptr);
    delete helper;
}

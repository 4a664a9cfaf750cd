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

// The helper: a pthread that sleeps on a condition variable between tasks.
struct PlatformHelper {
    pthread_t thread;
    std::mutex mutex;
    std::condition_variable changed;
    HelperTask task = nullptr;
    void* parameter = nullptr;
    bool busy = false;  // a task has been handed over and has not returned
    bool ending = false;
};

namespace {

void* RunHelper(void* argument) {
    HelperHandle helper = static_cast<HelperHandle>(argument);
    std::unique_lock<std::mutex> lock(helper->mutex);
    for (;;) {
        helper->changed.wait(lock, [helper] { return helper->busy || helper->ending; });
        if (!helper->busy) return nullptr;
        HelperTask task = helper->task;
        void* parameter = helper->parameter;
        lock.unlock();
        task(parameter);
        lock.lock();
        helper->busy = false;
        helper->changed.notify_all();
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

void StartHelperTask(HelperHandle helper, HelperTask task, void* parameter) {
    std::lock_guard<std::mutex> lock(helper->mutex);
    helper->task = task;
    helper->parameter = parameter;
    helper->busy = true;
    helper->changed.notify_all();
}

void AwaitHelperTask(HelperHandle helper) {
    std::unique_lock<std::mutex> lock(helper->mutex);
    helper->changed.wait(lock, [helper] { return !helper->busy; });
}

void CloseHelperThread(HelperHandle helper) {
    {
        std::lock_guard<std::mutex> lock(helper->mutex);
        helper->ending = true;
        helper->changed.notify_all();
    }
    pthread_join(helper->thread, nullptr);
    delete helper;
}

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

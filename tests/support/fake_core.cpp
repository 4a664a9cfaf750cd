#include "tests/support/fake_core.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "platform/platform.h"

FakeCore g_core;

void ResetFakeCore() {
    g_core.failThreads = g_core.failHelpers = g_core.failResume = false;
    g_core.helperDelayMs = 0;
    g_core.threadsCreated = g_core.helpersCreated = g_core.helpersAlive = g_core.helperTasks = 0;
    g_core.onEvent = nullptr;
}

// ---- Events ----------------------------------------------------------------

struct PlatformEvent {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
    uint64_t generation = 0;  // one a signal, as in the real event
};

EventHandle CreateManualEvent() { return new (std::nothrow) PlatformEvent; }

void SignalEvent(EventHandle event) {
    if (g_core.onEvent) g_core.onEvent("signal");
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = true;
    ++event->generation;
    event->changed.notify_all();
}

void ClearEvent(EventHandle event) {
    if (g_core.onEvent) g_core.onEvent("clear");
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = false;
}

void WaitForEvent(EventHandle event) {
    std::unique_lock<std::mutex> lock(event->mutex);
    uint64_t generation = event->generation;
    event->changed.wait(lock, [event, generation] {
        return event->signalled || event->generation != generation;
    });
}

void CloseEvent(EventHandle event) { delete event; }

// ---- Threads ---------------------------------------------------------------

namespace {

// What a suspended thread and its handle share.
struct Latch {
    std::mutex mutex;
    std::condition_variable changed;
    bool resumed = false;
    bool discarded = false;  // the handle was closed without a resume: never run
};

}  // namespace

struct PlatformThread {
    std::thread thread;
    std::shared_ptr<Latch> latch;
};

ThreadHandle CreateSuspendedThread(ThreadEntry entry, void* parameter) {
    if (g_core.failThreads) return nullptr;
    ThreadHandle handle = new PlatformThread;
    handle->latch = std::make_shared<Latch>();
    handle->thread = std::thread([latch = handle->latch, entry, parameter] {
        {
            std::unique_lock<std::mutex> lock(latch->mutex);
            latch->changed.wait(lock, [&] { return latch->resumed || latch->discarded; });
            if (!latch->resumed) return;
        }
        entry(parameter);
    });
    ++g_core.threadsCreated;
    return handle;
}

int SetLowestPriority(ThreadHandle) { return 1; }

int ResumeSuspendedThread(ThreadHandle thread) {
    if (g_core.failResume) return 0;
    std::lock_guard<std::mutex> lock(thread->latch->mutex);
    thread->latch->resumed = true;
    thread->latch->changed.notify_all();
    return 1;
}

void CloseThreadHandle(ThreadHandle thread) {
    {
        std::lock_guard<std::mutex> lock(thread->latch->mutex);
        thread->latch->discarded = true;
        thread->latch->changed.notify_all();
    }
    thread->thread.detach();
    delete thread;
}

// ---- Helper threads ----------------------------------------------------------

struct PlatformHelper {
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    HelperTask task = nullptr;
    void* parameter = nullptr;
    bool busy = false;
    bool ending = false;
};

HelperHandle CreateHelperThread() {
    if (g_core.failHelpers) return nullptr;
    HelperHandle helper = new PlatformHelper;
    helper->thread = std::thread([helper] {
        std::unique_lock<std::mutex> lock(helper->mutex);
        for (;;) {
            helper->changed.wait(lock, [helper] { return helper->busy || helper->ending; });
            if (!helper->busy) return;
            lock.unlock();
            if (g_core.helperDelayMs > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(g_core.helperDelayMs));
            }
            helper->task(helper->parameter);
            lock.lock();
            helper->busy = false;
            helper->changed.notify_all();
        }
    });
    ++g_core.helpersCreated;
    ++g_core.helpersAlive;
    return helper;
}

void StartHelperTask(HelperHandle helper, HelperTask task, void* parameter) {
    std::lock_guard<std::mutex> lock(helper->mutex);
    helper->task = task;
    helper->parameter = parameter;
    helper->busy = true;
    helper->changed.notify_all();
    ++g_core.helperTasks;
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
    helper->thread.join();
    delete helper;
    --g_core.helpersAlive;
}

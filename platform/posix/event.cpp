// A manual-reset event from a mutex and a condition variable.
#include <condition_variable>
#include <mutex>
#include <new>

#include "platform/platform.h"

struct PlatformEvent {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};

EventHandle CreateManualEvent() { return new (std::nothrow) PlatformEvent; }

void SignalEvent(EventHandle event) {
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = true;
    event->changed.notify_all();
}

void ClearEvent(EventHandle event) {
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = false;
}

void WaitForEvent(EventHandle event) {
    std::unique_lock<std::mutex> lock(event->mutex);
    event->changed.wait(lock, [event] { return event->signalled; });
}

void CloseEvent(EventHandle event) { delete event; }

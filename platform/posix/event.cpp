// A manual-reset event from a mutex and a condition variable. Each signal
// starts a new generation: a thread that waited when the event was
// signalled is released even when the event is reset before it wakes, as a
// Windows event releases every thread waiting at the time of SetEvent.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>

#include "platform/platform.h"

struct PlatformEvent {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
    uint64_t generation = 0;
};

EventHandle CreateManualEvent() { return new (std::nothrow) PlatformEvent; }

void SignalEvent(EventHandle event) {
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = true;
    ++event->generation;
    event->changed.notify_all();
}

void ClearEvent(EventHandle event) {
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

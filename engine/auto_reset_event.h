#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

// An event that releases one waiter and resets itself. Several signals before
// the waiter wakes count as one: the worker drains its queue before waiting again.
class AutoResetEvent {
public:
    void Signal()
    {
        {
            std::lock_guard guard(mutex);
            signalled = true;
        }
        wake.notify_one();
    }

    // True when the event was signalled (and is now reset), false on time-out.
    bool WaitFor(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        if (!wake.wait_for(lock, timeout, [this] { return signalled; }))
            return false;
        signalled = false;
        return true;
    }

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool signalled = false;
};

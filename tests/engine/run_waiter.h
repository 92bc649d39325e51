#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "engine/dust_engine.h"
#include "engine/region_listener.h"

// Wakes the test at every finished run; each batch of work ends with one, so
// the moment the queue empties is always followed by a wake-up.
class RunWaiter : public RegionListener {
public:
    void RegionDone(int, int) override
    {
        { std::lock_guard guard(mutex); }
        finished.notify_all();
    }
    // False only if the engine is still busy after two minutes: a hung test.
    bool WaitUntilIdle(const DustEngine& engine)
    {
        std::unique_lock lock(mutex);
        return finished.wait_for(lock, std::chrono::seconds(120),
            [&] { return engine.Progress(1) < 0.0f && engine.Progress(0) < 0.0f; });
    }

private:
    std::mutex mutex;
    std::condition_variable finished;
};

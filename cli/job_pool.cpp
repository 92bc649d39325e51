#include "cli/job_pool.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

void RunJobs(size_t count, int threads, const std::function<void(size_t, int)>& job)
{
    if (count == 0)
        return;
    size_t workers = std::clamp<size_t>(threads < 1 ? 1 : static_cast<size_t>(threads), 1, count);
    std::atomic<size_t> next { 0 };
    auto work = [&](int slot) {
        for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1))
            job(i, slot);
    };
    std::vector<std::thread> pool;
    for (size_t w = 1; w < workers; ++w)
        pool.emplace_back(work, static_cast<int>(w));
    work(0);
    for (auto& t : pool)
        t.join();
}

int DefaultJobCount()
{
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 1024u));
}

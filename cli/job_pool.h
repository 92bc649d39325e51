#pragma once
#include <cstddef>
#include <functional>

// Runs job(0) .. job(count − 1) on `threads` threads (at least one, at most
// count). Jobs are handed out in index order, so with one thread they run in
// the order given. Returns when every job has returned.
void RunJobs(size_t count, int threads, const std::function<void(size_t index, int slot)>& job);

// The default number of images cleaned at once: the number of cores.
int DefaultJobCount();

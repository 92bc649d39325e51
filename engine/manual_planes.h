#pragma once
#include <atomic>
#include <cstdint>

// The brush writes the manual mask and dust-size planes on the window's thread
// while the worker may be compositing a tile that reads them. Every access goes
// through relaxed single-byte atomics, which cost a plain load or store, so the
// two threads never race on these planes; each dab queues its tile after
// writing, and the queue's lock orders that request before the tile's next pass.

inline uint8_t ReadManual(const uint8_t* sample)
{
    return std::atomic_ref<uint8_t>(*const_cast<uint8_t*>(sample)).load(std::memory_order_relaxed);
}

inline void WriteManual(uint8_t* sample, uint8_t value)
{
    std::atomic_ref<uint8_t>(*sample).store(value, std::memory_order_relaxed);
}

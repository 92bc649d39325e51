#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

// A scratch buffer that only grows, so that the per-tile work allocates
// nothing once the largest tile has been seen. Growth never throws: Reserve
// answers false when memory runs out and leaves the buffer empty.
class ByteBuffer {
public:
    bool Reserve(size_t size)
    {
        if (size <= capacity)
            return true;
        data.reset(new (std::nothrow) uint8_t[size]);
        capacity = data ? size : 0;
        return data != nullptr;
    }
    uint8_t* Data() const { return data.get(); }
    size_t Capacity() const { return capacity; }
    void Release()
    {
        data.reset();
        capacity = 0;
    }

private:
    std::unique_ptr<uint8_t[]> data;
    size_t capacity = 0;
};

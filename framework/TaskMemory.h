// Ownership of blocks from the COM task allocator (CoTaskMemAlloc), the
// memory in which media types, format blocks and texts cross interfaces.
#pragma once

#include <objbase.h>

#include <memory>

struct TaskMemoryFree {
    void operator()(void* block) const { CoTaskMemFree(block); }
};

// Frees its block with CoTaskMemFree; release() hands it to a caller.
template <typename T>
using TaskMemoryPtr = std::unique_ptr<T, TaskMemoryFree>;

// count elements of T from the task allocator, uninitialised; null on failure.
template <typename T>
TaskMemoryPtr<T> AllocateTaskMemory(size_t count = 1)
{
    return TaskMemoryPtr<T>(static_cast<T*>(CoTaskMemAlloc(count * sizeof(T))));
}

// Ownership of blocks from the COM task allocator (CoTaskMemAlloc): the
// memory in which media types, format blocks, texts and page lists cross
// interfaces. The receiver of such a block frees it; TaskMemoryPtr does that
// when it goes, and release() hands the block on to a caller.
#pragma once

#include <objbase.h>

#include <cstdint>
#include <memory>

namespace win {

struct TaskMemoryFree {
    void operator()(void* block) const { CoTaskMemFree(block); }
};

template <typename T>
using TaskMemoryPtr = std::unique_ptr<T, TaskMemoryFree>;

// count elements of T from the task allocator, uninitialised; null when
// memory is short or the size would overflow.
template <typename T>
TaskMemoryPtr<T> AllocateTaskMemory(size_t count = 1)
{
    if (count > SIZE_MAX / sizeof(T)) {
        return nullptr;
    }
    return TaskMemoryPtr<T>(static_cast<T*>(CoTaskMemAlloc(count * sizeof(T))));
}

// A copy of text, terminator included, in task memory; null when text is
// null or memory is short.
TaskMemoryPtr<wchar_t> CopyToTaskMemory(const wchar_t* text);

} // namespace win

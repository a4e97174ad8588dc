#include "bench/CopyFloor.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "bench/RunStatistics.h"

namespace {

// Committed pages, given back to the system (not kept by a heap) when freed,
// so that the floor measurement leaves no trace in the working set.
class PageBuffer {
public:
    explicit PageBuffer(size_t bytes)
        : m_data(static_cast<unsigned char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
    {
    }
    ~PageBuffer()
    {
        if (m_data) {
            VirtualFree(m_data, 0, MEM_RELEASE);
        }
    }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    unsigned char* Data() const { return m_data; }

private:
    unsigned char* m_data;
};

} // namespace

void PlatformMemcpy(void* destination, const void* source, size_t bytes)
{
    std::memcpy(destination, source, bytes);
}

double MedianCopyMs(size_t bytes, int buffers, int copies, CopyRoutine copy)
{
    if (buffers < 2 || copies < 1 || bytes == 0 || !copy) {
        return 0;
    }
    std::vector<std::unique_ptr<PageBuffer>> pages;
    for (int i = 0; i < buffers; ++i) {
        pages.push_back(std::make_unique<PageBuffer>(bytes));
        if (!pages.back()->Data()) {
            return 0;
        }
        // Touch every page first: the floor is the copy, not the page faults.
        std::memset(pages.back()->Data(), 0x5a ^ i, bytes);
    }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    times.reserve(static_cast<size_t>(copies));
    for (int i = 0; i < copies; ++i) {
        // Pairs in turn: 0 -> 1, 2 -> 3, ...; with two buffers always 0 -> 1.
        const size_t pair = static_cast<size_t>(i) % static_cast<size_t>(buffers / 2);
        unsigned char* source = pages[2 * pair]->Data();
        unsigned char* destination = pages[2 * pair + 1]->Data();
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        copy(destination, source, bytes);
        QueryPerformanceCounter(&after);
        times.push_back(static_cast<double>(after.QuadPart - before.QuadPart) * 1000.0 / frequency.QuadPart);
        // Keep the copy from being seen as dead.
        source[static_cast<size_t>(i) % bytes] ^= destination[(static_cast<size_t>(i) * 4099) % bytes];
    }
    return stats::Median(times);
}

#include "bench/AllocatorCommit.h"

#include <wrl/client.h>

#include <cstring>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

double MsSince(const LARGE_INTEGER& before)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - before.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

} // namespace

bool TimeAllocatorCommit(IMemAllocator* connected, AllocatorTimes* times)
{
    ALLOCATOR_PROPERTIES wanted = {};
    ComPtr<IMemAllocator> allocator;
    ALLOCATOR_PROPERTIES actual = {};
    if (!connected || FAILED(connected->GetProperties(&wanted)) || wanted.cBuffers < 1 ||
        FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&allocator))) ||
        FAILED(allocator->SetProperties(&wanted, &actual))) {
        return false;
    }
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (FAILED(allocator->Commit())) {
        return false;
    }
    times->commitMs = MsSince(start);

    // Every buffer held at once, so that each is written once.
    std::vector<ComPtr<IMediaSample>> samples(static_cast<size_t>(actual.cBuffers));
    bool ok = true;
    QueryPerformanceCounter(&start);
    for (ComPtr<IMediaSample>& sample : samples) {
        BYTE* data = nullptr;
        if (FAILED(allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT)) || FAILED(sample->GetPointer(&data))) {
            ok = false;
            break;
        }
        std::memset(data, 0x10, static_cast<size_t>(sample->GetSize()));
    }
    times->firstTouchMs = MsSince(start);
    samples.clear();
    allocator->Decommit();
    return ok;
}

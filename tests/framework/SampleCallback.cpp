#include "tests/framework/SampleCallback.h"

#include "tests/support/WaitFor.h"

HRESULT STDMETHODCALLTYPE SampleCallback::SampleCB(double /*time*/, IMediaSample* sample)
{
    BYTE* data = nullptr;
    const bool good = SUCCEEDED(sample->GetPointer(&data)) && sample->GetActualDataLength() == frameBytes &&
                      data[0] == 0x20 && data[1] == 0x80 && data[2] == 0xE0 && data[frameBytes - 1] == 0xE0;
    if (!good) {
        InterlockedIncrement(&badSamples);
    }
    InterlockedIncrement(&samples);
    switch (mode) {
    case Mode::Count:
        break;
    case Mode::HoldSamples: {
        std::lock_guard<std::mutex> guard(lock);
        held.push_back(sample);
        break;
    }
    case Mode::BlockUntilDecommit:
        BlockUntilDecommitted();
        break;
    }
    return S_OK;
}

void SampleCallback::BlockUntilDecommitted()
{
    InterlockedIncrement(&blocking);
    // Ask for a free buffer without waiting: once the allocator is decommitted the answer is VFW_E_NOT_COMMITTED. Give
    // up after a while so that a fault cannot hang the test here.
    testenv::WaitFor(
        [this] {
            Microsoft::WRL::ComPtr<IMediaSample> probe;
            return watchedAllocator->GetBuffer(probe.GetAddressOf(), nullptr, nullptr, AM_GBF_NOWAIT) ==
                   VFW_E_NOT_COMMITTED;
        },
        5000);
    InterlockedDecrement(&blocking);
}

void SampleCallback::ReleaseHeld()
{
    std::lock_guard<std::mutex> guard(lock);
    held.clear();
}

// The callback the integration tests hang on Wine's sample grabber: it counts the samples that reach the grabber and
// checks their contents, and can act as a slow or greedy downstream (hold every sample, or block in Receive until the
// source's allocator is decommitted).
#pragma once

#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include <mutex>
#include <vector>

#include "win/ComObject.h"

// Made with win::MakeComObject; the grabber holds a reference while it is set.
class SampleCallback final : public win::ComObject<ISampleGrabberCB> {
public:
    enum class Mode { Count, HoldSamples, BlockUntilDecommit };

    explicit SampleCallback(LONG frameBytes) : frameBytes(frameBytes) {}
    ~SampleCallback() override { ReleaseHeld(); }

    Mode mode = Mode::Count;
    // The allocator whose decommit ends a blocking Receive (not held).
    IMemAllocator* watchedAllocator = nullptr;

    LONG Samples() const { return samples; }
    LONG BadSamples() const { return badSamples; }
    LONG Blocking() const { return blocking; }
    size_t Held()
    {
        std::lock_guard<std::mutex> guard(lock);
        return held.size();
    }
    void ReleaseHeld();

    HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, LONG) override { return E_NOTIMPL; }

private:
    void BlockUntilDecommitted();

    const LONG frameBytes;
    volatile LONG samples = 0;
    volatile LONG badSamples = 0;
    volatile LONG blocking = 0;
    std::mutex lock;
    std::vector<Microsoft::WRL::ComPtr<IMediaSample>> held;
};

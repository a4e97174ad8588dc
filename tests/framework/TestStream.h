// A SourceStreamBase for the framework's tests: solid-colour RGB24 frames, scriptable results, counted calls.
#pragma once

#include <dshow.h>

#include <functional>

#include "framework/SourceStreamBase.h"

class TestStream : public SourceStreamBase {
public:
    TestStream(HRESULT* result, SourceFilterBase* filter, const wchar_t* name, int tag);
    ~TestStream() override;

    // Scripted results (read on the worker thread).
    volatile HRESULT workerStartResult = S_OK;
    volatile HRESULT fillResult = S_OK;
    // Frame size of the one media type; change only while unconnected.
    LONG width = 64, height = 48;
    // When set, CheckType accepts any type and logs nothing.
    bool acceptAnyType = false;
    // When set, each fill reads the filter's stream time and hands the
    // result here, on the worker thread. Set while no worker runs.
    std::function<void(HRESULT, REFERENCE_TIME)> onStreamTime;

    volatile LONG workerStarts = 0;
    volatile LONG workerEnds = 0;
    volatile LONG streamingStarts = 0;
    volatile LONG fills = 0;
    // The request SizeBuffers last received, as it came.
    ALLOCATOR_PROPERTIES lastRequest = {};
    volatile LONG sizeBuffersCalls = 0;

    HRESULT GetSingleMediaType(MediaTypeRecord* type) override;
    HRESULT CheckType(const AM_MEDIA_TYPE* type) override;
    HRESULT SizeBuffers(IMemAllocator* allocatorToSize, ALLOCATOR_PROPERTIES* request) override;
    HRESULT FillSample(IMediaSample* sample) override;
    HRESULT OnWorkerStart() override;
    HRESULT OnWorkerEnd() override;
    HRESULT OnStreamingStart() override;

    LONG FrameBytes() const { return width * height * 3; }

    // Tests drive the sending side of the command channel directly.
    using WorkerThread::JoinThread;

private:
    const int tag;
};

#include "tests/framework/TestStream.h"

#include "tests/framework/TestSourceFilter.h"
#include "tests/support/VideoTypeKit.h"

TestStream::TestStream(HRESULT* result, SourceFilterBase* filter, const wchar_t* name, int tag)
    : SourceStreamBase(L"TestStream", result, filter, name), tag(tag)
{
}

TestStream::~TestStream()
{
    if (TestSourceFilter::destructionLog) {
        TestSourceFilter::destructionLog->push_back(tag);
    }
}

HRESULT TestStream::GetSingleMediaType(MediaTypeRecord* type)
{
    testenv::TestVideoType frame(testenv::kRgb24Facts, width, height, 0, 333333);
    return type->Assign(*frame.Type());
}

HRESULT TestStream::CheckType(const AM_MEDIA_TYPE* type)
{
    if (acceptAnyType) {
        return type ? S_OK : E_POINTER;
    }
    return SourceStreamBase::CheckType(type);
}

HRESULT TestStream::SizeBuffers(IMemAllocator* allocatorToSize, ALLOCATOR_PROPERTIES* request)
{
    lastRequest = *request;
    InterlockedIncrement(&sizeBuffersCalls);
    if (request->cBuffers < 2) {
        request->cBuffers = 2;
    }
    request->cbBuffer = FrameBytes();
    ALLOCATOR_PROPERTIES granted = {};
    const HRESULT hr = allocatorToSize->SetProperties(request, &granted);
    if (FAILED(hr)) {
        return hr;
    }
    return granted.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT TestStream::FillSample(IMediaSample* sample)
{
    InterlockedIncrement(&fills);
    if (onStreamTime) {
        REFERENCE_TIME streamTime = 0;
        const HRESULT read = SourceFilter()->CurrentStreamTime(&streamTime);
        onStreamTime(read, streamTime);
    }
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data))) {
        const LONG size = sample->GetSize() < FrameBytes() ? sample->GetSize() : FrameBytes();
        for (LONG i = 0; i + 2 < size; i += 3) {
            data[i] = 0x20;     // blue
            data[i + 1] = 0x80; // green
            data[i + 2] = 0xE0; // red
        }
        sample->SetActualDataLength(size);
    }
    sample->SetSyncPoint(TRUE);
    return fillResult;
}

HRESULT TestStream::OnWorkerStart()
{
    InterlockedIncrement(&workerStarts);
    return workerStartResult;
}

HRESULT TestStream::OnWorkerEnd()
{
    InterlockedIncrement(&workerEnds);
    return S_OK;
}

HRESULT TestStream::OnStreamingStart()
{
    InterlockedIncrement(&streamingStarts);
    return S_OK;
}

#include "tests/framework/TestStream.h"

#include <cstring>

#include "tests/framework/TestSourceFilter.h"

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
    type->ResetType();
    type->majortype = MEDIATYPE_Video;
    type->subtype = MEDIASUBTYPE_RGB24;
    type->formattype = FORMAT_VideoInfo;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = static_cast<ULONG>(FrameBytes());
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!info) {
        return E_OUTOFMEMORY;
    }
    std::memset(info, 0, sizeof(*info));
    info->AvgTimePerFrame = 333333;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(FrameBytes());
    type->pbFormat = reinterpret_cast<BYTE*>(info);
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    return S_OK;
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
    if (request->cBuffers < bufferCount) {
        request->cBuffers = bufferCount;
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
    if (fillDelayMs) {
        Sleep(fillDelayMs);
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

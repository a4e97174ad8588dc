#include "tools/lumoracap/FrameGrabber.h"

FrameGrabber::FrameGrabber()
{
    InitializeCriticalSection(&lock);
    copied = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

FrameGrabber::~FrameGrabber()
{
    if (copied) {
        CloseHandle(copied);
    }
    DeleteCriticalSection(&lock);
}

HRESULT STDMETHODCALLTYPE FrameGrabber::QueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(ISampleGrabberCB))) {
        *out = static_cast<ISampleGrabberCB*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FrameGrabber::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG STDMETHODCALLTYPE FrameGrabber::Release()
{
    const LONG now = InterlockedDecrement(&refCount);
    if (now == 0) {
        delete this;
    }
    return static_cast<ULONG>(now);
}

HRESULT STDMETHODCALLTYPE FrameGrabber::SampleCB(double /*sampleTime*/, IMediaSample* sample)
{
    BYTE* data = nullptr;
    // A sample whose data length was never set holds a whole buffer.
    long length = sample->GetActualDataLength();
    if (length <= 0) {
        length = sample->GetSize();
    }
    if (FAILED(sample->GetPointer(&data)) || !data || length <= 0) {
        return S_OK;
    }
    InterlockedIncrement(&frames);
    EnterCriticalSection(&lock);
    if (recorder && SUCCEEDED(recording)) {
        recording = recorder->AddFrame(data, static_cast<DWORD>(length));
    }
    if (requested && skip-- <= 0) {
        copy.assign(data, data + length);
        requested = false;
        SetEvent(copied);
    }
    LeaveCriticalSection(&lock);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameGrabber::BufferCB(double /*sampleTime*/, BYTE* /*buffer*/, LONG /*length*/)
{
    return E_NOTIMPL;
}

void FrameGrabber::RecordInto(AviWriter* writer)
{
    EnterCriticalSection(&lock);
    recorder = writer;
    LeaveCriticalSection(&lock);
}

HRESULT FrameGrabber::RecordingResult()
{
    EnterCriticalSection(&lock);
    const HRESULT result = recording;
    LeaveCriticalSection(&lock);
    return result;
}

void FrameGrabber::RequestCopy(int skipFrames)
{
    EnterCriticalSection(&lock);
    ResetEvent(copied);
    copy.clear();
    skip = skipFrames;
    requested = true;
    LeaveCriticalSection(&lock);
}

bool FrameGrabber::TakeCopy(std::vector<BYTE>* frame)
{
    EnterCriticalSection(&lock);
    frame->swap(copy);
    copy.clear();
    ResetEvent(copied);
    LeaveCriticalSection(&lock);
    return !frame->empty();
}

#include "tools/lumoracap/FrameGrabber.h"

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
    ++frames;
    win::LockGuard hold(lock);
    if (recorder) {
        recorder->Push(data, static_cast<DWORD>(length));
    }
    if (requested && skip-- <= 0) {
        copy.assign(data, data + length);
        requested = false;
        copied.Set();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameGrabber::BufferCB(double /*sampleTime*/, BYTE* /*buffer*/, LONG /*length*/)
{
    return E_NOTIMPL;
}

void FrameGrabber::RecordInto(FrameRecorder* frameRecorder)
{
    win::LockGuard hold(lock);
    recorder = frameRecorder;
}

void FrameGrabber::RequestCopy(int skipFrames)
{
    win::LockGuard hold(lock);
    copied.Clear();
    copy.clear();
    skip = skipFrames;
    requested = true;
}

bool FrameGrabber::TakeCopy(std::vector<BYTE>* frame)
{
    win::LockGuard hold(lock);
    frame->swap(copy);
    copy.clear();
    copied.Clear();
    return !frame->empty();
}

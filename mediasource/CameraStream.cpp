#include "mediasource/CameraStream.h"


#include "mediasource/CameraSource.h"

using Microsoft::WRL::ComPtr;

namespace mediasource {

CameraStream::CameraStream(CameraSource* source, IMFStreamDescriptor* descriptor, IMFMediaEventQueue* events)
    : m_source(source), m_descriptor(descriptor), m_events(events)
{
}

void* CameraStream::QueryOtherInterface(REFIID iid)
{
    if (IsEqualIID(iid, IID_IMFMediaStream)) {
        return static_cast<IMFMediaStream*>(this);
    }
    if (IsEqualIID(iid, IID_IMFMediaEventGenerator)) {
        return static_cast<IMFMediaEventGenerator*>(this);
    }
    return nullptr;
}

ComPtr<CameraSource> CameraStream::Source()
{
    win::LockGuard guard(m_lock);
    return m_source;
}

void CameraStream::Shutdown()
{
    m_events->Shutdown();
    ComPtr<CameraSource> source;
    {
        win::LockGuard guard(m_lock);
        source.Swap(m_source);
    }
    // Released outside m_lock: it may be the source's last reference.
}

HRESULT STDMETHODCALLTYPE CameraStream::GetMediaSource(IMFMediaSource** source)
{
    if (!source) {
        return E_POINTER;
    }
    *source = nullptr;
    const ComPtr<CameraSource> owner = Source();
    if (!owner) {
        return MF_E_SHUTDOWN;
    }
    *source = owner.Get();
    (*source)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraStream::GetStreamDescriptor(IMFStreamDescriptor** descriptor)
{
    if (!descriptor) {
        return E_POINTER;
    }
    *descriptor = nullptr;
    if (!Source()) {
        return MF_E_SHUTDOWN;
    }
    return m_descriptor.CopyTo(descriptor);
}

HRESULT STDMETHODCALLTYPE CameraStream::RequestSample(IUnknown* token)
{
    const ComPtr<CameraSource> owner = Source();
    return owner ? owner->RequestSample(token) : MF_E_SHUTDOWN;
}

HRESULT STDMETHODCALLTYPE CameraStream::SetStreamState(LumoraStreamState value)
{
    const ComPtr<CameraSource> owner = Source();
    return owner ? owner->SetStreamState(value) : MF_E_SHUTDOWN;
}

HRESULT STDMETHODCALLTYPE CameraStream::GetStreamState(LumoraStreamState* value)
{
    const ComPtr<CameraSource> owner = Source();
    return owner ? owner->GetStreamState(value) : MF_E_SHUTDOWN;
}

HRESULT CameraStream::QueueStreamEvent(MediaEventType type, HRESULT status, const PROPVARIANT* value)
{
    return m_events->QueueEventParamVar(type, GUID_NULL, status, value);
}

HRESULT CameraStream::QueueSample(IMFSample* sample)
{
    return m_events->QueueEventParamUnk(MEMediaSample, GUID_NULL, S_OK, sample);
}

} // namespace mediasource

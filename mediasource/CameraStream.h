// CameraStream: the source's one video stream (stream id 0). It owns the
// stream's event queue and hands sample requests and state changes to its
// source (CameraSource), which owns the state and serves the requests.
//
// Threads: any. m_lock guards m_source only and is never held while calling
// the source or the queue; the queue is thread-safe. The stream holds its
// source until Shutdown (called by the source's Shutdown), after which every
// call answers MF_E_SHUTDOWN.
#pragma once

#include <windows.h>

#include <wrl/client.h>

#include "mediasource/MediaFoundationExtras.h"
#include "mediasource/QueuedEventGenerator.h"
#include "mediasource/SourceModule.h"
#include "win/ComObject.h"
#include "win/Lock.h"

namespace mediasource {

class CameraSource;

class CameraStream final : public QueuedEventGenerator<win::ComObject<IMFMediaStream2>> {
public:
    CameraStream(CameraSource* source, IMFStreamDescriptor* descriptor, IMFMediaEventQueue* events);

    // IMFMediaStream
    HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** source) override;
    HRESULT STDMETHODCALLTYPE GetStreamDescriptor(IMFStreamDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE RequestSample(IUnknown* token) override;
    // IMFMediaStream2
    HRESULT STDMETHODCALLTYPE SetStreamState(LumoraStreamState value) override;
    HRESULT STDMETHODCALLTYPE GetStreamState(LumoraStreamState* value) override;

    // The source's side: events on the stream's queue (value may be null),
    // and the end of the stream: the queue shut down, the source let go.
    HRESULT QueueStreamEvent(MediaEventType type, HRESULT status, const PROPVARIANT* value);
    HRESULT QueueSample(IMFSample* sample);
    void Shutdown();

protected:
    void* QueryOtherInterface(REFIID iid) override;
    IMFMediaEventQueue* EventQueue() const override { return m_events.Get(); }

private:
    // The source while the stream is not shut down (null after).
    Microsoft::WRL::ComPtr<CameraSource> Source();

    ModuleObjectCount m_count;
    win::Lock m_lock;
    Microsoft::WRL::ComPtr<CameraSource> m_source; // guarded by m_lock
    const Microsoft::WRL::ComPtr<IMFStreamDescriptor> m_descriptor;
    const Microsoft::WRL::ComPtr<IMFMediaEventQueue> m_events;
};

} // namespace mediasource

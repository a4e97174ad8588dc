// QueuedEventGenerator<Base>: IMFMediaEventGenerator's four methods for a COM
// class whose interfaces derive from it (the source and its stream), each
// handed to the class's event queue. The queue is Media Foundation's
// (MFCreateEventQueue): thread-safe, answering MF_E_SHUTDOWN once shut down.
// No lock of the class is held while these run, so a blocking GetEvent
// never holds up the class's Shutdown.
#pragma once

#include <windows.h>

#include "mediasource/MediaFoundationExtras.h"

namespace mediasource {

template <class Base>
class QueuedEventGenerator : public Base {
public:
    HRESULT STDMETHODCALLTYPE GetEvent(DWORD flags, IMFMediaEvent** event) override
    {
        return EventQueue()->GetEvent(flags, event);
    }
    HRESULT STDMETHODCALLTYPE BeginGetEvent(IMFAsyncCallback* callback, IUnknown* state) override
    {
        return EventQueue()->BeginGetEvent(callback, state);
    }
    HRESULT STDMETHODCALLTYPE EndGetEvent(IMFAsyncResult* result, IMFMediaEvent** event) override
    {
        return EventQueue()->EndGetEvent(result, event);
    }
    HRESULT STDMETHODCALLTYPE QueueEvent(MediaEventType type, REFGUID extendedType, HRESULT status,
                                         const PROPVARIANT* value) override
    {
        return EventQueue()->QueueEventParamVar(type, extendedType, status, value);
    }

protected:
    // The class's queue, set before the first call and kept for the object's
    // life.
    virtual IMFMediaEventQueue* EventQueue() const = 0;
};

} // namespace mediasource

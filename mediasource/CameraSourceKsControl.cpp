// The source's IKsControl: the camera's controls through the standard
// kernel-streaming property sets (mediasource/KsCameraControls.h) on the
// source's camera controller. A property request holds m_cameraLife, not
// m_lock, so the controller cannot go with Shutdown meanwhile while sample
// requests and state changes go on during a settings save (the controller is
// safe to call from any thread, also while the worker streams or Start opens
// it); after Shutdown requests fail with MF_E_SHUTDOWN. Methods and events
// belong to no set.
#include "mediasource/CameraSource.h"

#include <mferror.h>

#include "camera/Camera.h"
#include "mediasource/KsCameraControls.h"

namespace mediasource {

HRESULT STDMETHODCALLTYPE CameraSource::KsProperty(PKSPROPERTY property, ULONG propertyLength, void* data,
                                                  ULONG dataLength, ULONG* returned)
{
    win::LockGuard life(m_cameraLife);
    bool shutdown = false;
    {
        win::LockGuard guard(m_lock);
        shutdown = m_shutdown || !m_camera;
    }
    if (shutdown) {
        if (returned) {
            *returned = 0;
        }
        return MF_E_SHUTDOWN;
    }
    return KsCameraControls(*m_camera).Property(property, propertyLength, data, dataLength, returned);
}

HRESULT STDMETHODCALLTYPE CameraSource::KsMethod(PKSMETHOD method, ULONG methodLength, void* data, ULONG dataLength,
                                                ULONG* returned)
{
    return KsCameraControls::Method(method, methodLength, data, dataLength, returned);
}

HRESULT STDMETHODCALLTYPE CameraSource::KsEvent(PKSEVENT event, ULONG eventLength, void* data, ULONG dataLength,
                                               ULONG* returned)
{
    return KsCameraControls::Event(event, eventLength, data, dataLength, returned);
}

} // namespace mediasource

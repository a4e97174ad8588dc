// The source's IKsControl: the camera's controls through the standard
// kernel-streaming property sets. Until the controls are mapped, every
// property set, method and event is answered as not supported, which is
// what a camera answers for a set it does not have.
#include "mediasource/CameraSource.h"


namespace mediasource {

namespace {

const HRESULT kSetNotFound = HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);

} // namespace

HRESULT STDMETHODCALLTYPE CameraSource::KsProperty(PKSPROPERTY property, ULONG /*propertyLength*/, void* /*data*/,
                                                  ULONG /*dataLength*/, ULONG* returned)
{
    if (!property || !returned) {
        return E_POINTER;
    }
    *returned = 0;
    return kSetNotFound;
}

HRESULT STDMETHODCALLTYPE CameraSource::KsMethod(PKSMETHOD method, ULONG /*methodLength*/, void* /*data*/,
                                                ULONG /*dataLength*/, ULONG* returned)
{
    if (!method || !returned) {
        return E_POINTER;
    }
    *returned = 0;
    return kSetNotFound;
}

HRESULT STDMETHODCALLTYPE CameraSource::KsEvent(PKSEVENT /*event*/, ULONG /*eventLength*/, void* /*data*/,
                                               ULONG /*dataLength*/, ULONG* returned)
{
    // A null event asks to disable events: there are none to disable.
    if (returned) {
        *returned = 0;
    }
    return kSetNotFound;
}

} // namespace mediasource

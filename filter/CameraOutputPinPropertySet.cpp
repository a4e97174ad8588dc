// IKsPropertySet of the camera pin: the read-only pin category of the
// AMPROPSETID_Pin property set, by which capture applications tell the
// capture pin from the preview pin.
#include "filter/CameraOutputPin.h"

#include <cstring>

HRESULT STDMETHODCALLTYPE CameraOutputPin::Set(REFGUID /*propertySet*/, DWORD /*propertyId*/, void* /*instanceData*/,
                                               DWORD /*instanceSize*/, void* /*propertyData*/, DWORD /*dataSize*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::Get(REFGUID propertySet, DWORD propertyId, void* /*instanceData*/,
                                               DWORD /*instanceSize*/, void* propertyData, DWORD dataSize,
                                               DWORD* returnedSize)
{
    if (!IsEqualGUID(propertySet, AMPROPSETID_Pin)) {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (propertyId != AMPROPERTY_PIN_CATEGORY) {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (!propertyData && !returnedSize) {
        return E_POINTER;
    }
    if (returnedSize) {
        *returnedSize = sizeof(GUID);
    }
    if (!propertyData) {
        return S_OK; // a size query
    }
    if (dataSize < sizeof(GUID)) {
        return E_UNEXPECTED;
    }
    std::memcpy(propertyData, &m_Category, sizeof(GUID));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* support)
{
    if (support) {
        *support = 0;
    }
    if (!IsEqualGUID(propertySet, AMPROPSETID_Pin)) {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (propertyId != AMPROPERTY_PIN_CATEGORY) {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (support) {
        *support = KSPROPERTY_SUPPORT_GET;
    }
    return S_OK;
}

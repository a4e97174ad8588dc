// ICameraSettings of the camera pin: how the property pages read and change
// the camera settings. The filter hands out the capture pin's implementation.
// Both calls enter the controller (settings file, SDK) without StateLock, then
// select the format of the record's resolution index on every pin.
#include "filter/CameraOutputPin.h"

#include "filter/CameraFilter.h"
#include "win/HResult.h"

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetConfig(CameraConfig* config)
{
    if (!config || !m_pCamera) {
        return E_FAIL;
    }
    // The settings file, then the camera's live values.
    if (m_pCamera->GetConfig(config) != 1) {
        return E_FAIL;
    }
    m_pOwnerFilter->SelectResolution(config->m_Format.m_Resolution);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::SetConfig(CameraConfig* config)
{
    if (!config || !m_pCamera) {
        return E_FAIL;
    }
    // Saves the record and applies what changed, unless the resolution index
    // changed: that reaches the camera when it is next opened. A failed save
    // still applies the record, so the pins follow it too; the failure is
    // what the caller hears (a page's Apply then fails and the page stays
    // dirty).
    HRESULT saved = S_OK;
    m_pCamera->SetConfig(config, &saved);
    m_pOwnerFilter->SelectResolution(config->m_Format.m_Resolution);
    // Makes this pin's current type for the (possibly new) resolution index; the
    // connection itself is not renegotiated.
    MediaTypeRecord selected;
    const bool typeSelected = GetMediaType(0, &selected) == S_OK;
    RETURN_IF_FAILED(saved);
    return typeSelected ? S_OK : E_FAIL;
}

// ICameraSettings of the camera pin: how the property pages read and change
// the camera settings. The filter hands out the capture pin's implementation.
#include "filter/CameraOutputPin.h"

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetConfig(CameraConfig* config)
{
    if (!config || !m_pCamera) {
        return E_FAIL;
    }
    // The settings file, then the camera's live values.
    return m_pCamera->GetConfig(config) == 1 ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::SetConfig(CameraConfig* config)
{
    if (!config || !m_pCamera) {
        return E_FAIL;
    }
    // Saves the record and applies what changed, unless the resolution index
    // changed: that reaches the camera when it is next opened.
    if (m_pCamera->SetConfig(config) != 1) {
        return E_FAIL;
    }
    // Reselects the current type for the (possibly new) resolution index; the
    // connection itself is not renegotiated.
    MediaTypeRecord selected;
    return GetMediaType(0, &selected) == S_OK ? S_OK : E_FAIL;
}

// ICameraSettings of the camera pin: how the property pages read and change
// the camera settings. The filter hands out the capture pin's implementation.
// Both calls enter the controller (settings file, SDK) without StateLock, then
// make every pin follow the record: the format of its resolution index (when
// the index changed) and its frame speed.
#include "filter/CameraOutputPin.h"

#include "filter/CameraFilter.h"
#include "win/HResult.h"

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetConfig(CameraConfig* config)
{
    if (!config || !m_pCamera) {
        return E_FAIL;
    }
    // The settings file, then (while the camera is open) its live values.
    if (m_pCamera->GetConfig(config) != 1) {
        return E_FAIL;
    }
    m_pOwnerFilter->FollowSettings(*config);
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
    // Every pin's offered and current type follow the (possibly new)
    // resolution index and rate; a connection is not renegotiated.
    m_pOwnerFilter->FollowSettings(*config);
    RETURN_IF_FAILED(saved);
    MediaTypeRecord offered;
    return GetMediaType(0, &offered) == S_OK ? S_OK : E_FAIL;
}

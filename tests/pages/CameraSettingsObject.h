// The object the property frame edits in these tests: ICameraSettings on top
// of a real camera controller (CCamera), as the capture filter offers it
// through its capture pin. GetConfig and SetConfig behave as the pin's do: the
// controller reads the settings file and the camera, or stores the record in
// the file and sends what changed to the camera.
//
// When the capture filter exists, MakePagesObjects (PagesObject.h) creates the
// filter instead; nothing else changes.
#pragma once

#include <windows.h>

#include "camera/Camera.h"
#include "filter/CameraSettings.h"

class CameraSettingsObject final : public ICameraSettings {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ICameraSettings)) {
            *out = static_cast<ICameraSettings*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG now = InterlockedDecrement(&m_refs);
        if (now == 0) {
            delete this;
        }
        return static_cast<ULONG>(now);
    }

    HRESULT STDMETHODCALLTYPE GetConfig(CameraConfig* config) override
    {
        if (!config) {
            return E_FAIL;
        }
        return m_camera.GetConfig(config) == 1 ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE SetConfig(CameraConfig* config) override
    {
        if (!config) {
            return E_FAIL;
        }
        return m_camera.SetConfig(config) == 1 ? S_OK : E_FAIL;
    }

private:
    virtual ~CameraSettingsObject() = default;

    volatile LONG m_refs = 1; // the creator's reference
    CCamera m_camera;
};

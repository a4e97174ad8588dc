// ICameraSettings: how the property pages read and change the camera's
// settings. The capture pin implements it; the filter hands out the capture
// pin's implementation. The record is passed by pointer within the process and
// stays the caller's.
#pragma once

#include <unknwn.h>

#include "camera/CameraConfig.h"
#include "filter/LumoraGuids.h"

struct ICameraSettings : public IUnknown {
    // Reads the settings file, then (while open) the camera's live values, into *config;
    // the filter's pins then offer the format of its resolution index.
    // E_FAIL when config is null.
    virtual HRESULT STDMETHODCALLTYPE GetConfig(CameraConfig* config) = 0;
    // Saves *config to the settings file, applies what changed to the camera
    // (unless the resolution index changed); the filter's pins then offer the
    // format of its resolution index, which becomes this pin's current type.
    // E_FAIL when config is null. When the file could not be written the
    // record is applied all the same, and the result is the save's failure
    // (the Win32 error as an HRESULT, such as E_ACCESSDENIED).
    virtual HRESULT STDMETHODCALLTYPE SetConfig(CameraConfig* config) = 0;
};

// Marker interface of the filter object: no methods beyond IUnknown.
struct ICameraFilterMarker : public IUnknown {};

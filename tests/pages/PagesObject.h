// The objects the property frames edit in these tests, created where the
// capture filter will create them: the "Camera Set" page is shown for the
// filter, the "Format" page for its capture pin.
//
// Until the capture filter exists both are a CameraSettingsObject (the
// settings interface over a real CCamera). Switching to the filter is a change
// here alone: CreateCameraFilter for SettingsPageObject, and the filter's pin
// "1" (named "~Capture") for FormatPageObject, sharing the one filter.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "tests/pages/CameraSettingsObject.h"

struct PagesObjects {
    Microsoft::WRL::ComPtr<IUnknown> settingsPageObject; // the filter
    Microsoft::WRL::ComPtr<IUnknown> formatPageObject;   // its capture pin
};

inline PagesObjects MakePagesObjects()
{
    PagesObjects objects;
    auto* camera = new CameraSettingsObject; // one reference, taken over below
    objects.settingsPageObject.Attach(static_cast<ICameraSettings*>(camera));
    objects.formatPageObject = objects.settingsPageObject;
    return objects;
}

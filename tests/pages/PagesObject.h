// The objects the property frames edit in these tests, created as a capture application meets them: the "Camera Set"
// page is shown for the capture filter (CreateCameraFilter), the "Format" page for its capture pin (pin "1",
// "~Capture"); both belong to the one filter.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include "filter/CameraFilter.h"

struct PagesObjects {
    Microsoft::WRL::ComPtr<IUnknown> settingsPageObject; // the filter
    Microsoft::WRL::ComPtr<IUnknown> formatPageObject;   // its capture pin
};

inline PagesObjects MakePagesObjects()
{
    PagesObjects objects;
    HRESULT hr = S_OK;
    UnknownBase* filter = CreateCameraFilter(nullptr, &hr);
    if (!filter) {
        return objects;
    }
    objects.settingsPageObject = filter->InnerUnknown(); // the filter's first reference
    Microsoft::WRL::ComPtr<IBaseFilter> baseFilter;
    Microsoft::WRL::ComPtr<IPin> capturePin;
    if (SUCCEEDED(objects.settingsPageObject.As(&baseFilter)) && SUCCEEDED(baseFilter->FindPin(L"1", &capturePin))) {
        objects.formatPageObject = capturePin;
    }
    return objects;
}

#include "module/CameraFilterSetup.h"

#include <uuids.h>

#include "filter/LumoraGuids.h"

const wchar_t kCameraFilterName[] = L"Lumora Camera";

namespace {

const DWORD kCameraFilterMerit = 0x200000; // MERIT_DO_NOT_USE: never picked by intelligent connect

const REGPINTYPES kOutVideoTypes[] = {
    {&MEDIATYPE_Video, &GUID_NULL},
};

// Both output pins register as the same record.
const REGFILTERPINS kOutVideoPin = {
    const_cast<LPWSTR>(L"OutVideo"),
    FALSE,      // rendered
    TRUE,       // output
    FALSE,      // zero
    FALSE,      // many
    &GUID_NULL, // connects to filter
    nullptr,    // connects to pin
    1,
    kOutVideoTypes,
};

const REGFILTERPINS kCameraFilterPins[] = {kOutVideoPin, kOutVideoPin};

REGFILTER2 MakeDeviceRegistration()
{
    REGFILTER2 record = {};
    record.dwVersion = 1;
    record.dwMerit = kCameraFilterMerit;
    record.cPins = 1;
    record.rgPins = &kOutVideoPin;
    return record;
}

} // namespace

const FilterSetup cameraFilterSetup = {
    &CLSID_LumoraCameraFilter,
    kCameraFilterName,
    kCameraFilterMerit,
    2,
    kCameraFilterPins,
};

const REGFILTER2 cameraDeviceRegistration = MakeDeviceRegistration();

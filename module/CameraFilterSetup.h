// What the filter mapper is told about the capture filter: its setup record
// (default filter category) and the record of its entry among the video input
// devices, where capture applications look for cameras.
#pragma once

#include <strmif.h>

#include "framework/FilterSetup.h"

// Name of the filter, of its class and of its video input device entry.
extern const wchar_t kCameraFilterName[];

// "Lumora Camera", merit MERIT_DO_NOT_USE, two "OutVideo" output pins of
// MEDIATYPE_Video / GUID_NULL.
extern const FilterSetup cameraFilterSetup;

// Version 1, the same merit, one "OutVideo" pin.
extern const REGFILTER2 cameraDeviceRegistration;

// Registering and unregistering a filter with the platform's filter mapper.
#pragma once

#include <strmif.h>

#include "framework/FilterSetup.h"

// Without a setup record: S_FALSE. Otherwise unregisters the filter first;
// when registering, then registers the filter and, while every call succeeds,
// each pin followed by each of its media types. Returns the last result, with
// "file not found" (nothing was registered to remove) turned into S_OK.
HRESULT RegisterFilterWithMapper(const FilterSetup* setup, IFilterMapper* mapper, bool registering);

// Initialises COM on the calling thread, creates the platform's filter mapper
// (CLSID_FilterMapper) and runs RegisterFilterWithMapper with it. A mapper
// that cannot be created gives its creation error.
HRESULT RegisterFilterWithPlatformMapper(const FilterSetup* setup, bool registering);

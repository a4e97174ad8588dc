// Registering and unregistering a filter with the platform's filter mappers:
// the older filter mapper (IFilterMapper) and filter mapper 2
// (IFilterMapper2, default filter category).
#pragma once

#include <strmif.h>

#include "framework/FilterSetup.h"

// Without a setup record: S_FALSE. Otherwise unregisters the filter first;
// when registering, then registers the filter and each pin followed by each
// of its media types, stopping at the first failure. Returns that failure,
// or the result of the unregistration when unregistering, with "file not
// found" (nothing was registered to remove) turned into S_OK.
HRESULT RegisterFilterWithMapper(const FilterSetup* setup, IFilterMapper* mapper, bool registering);

// The same with filter mapper 2: unregisters the filter first; when
// registering, then registers it with a version 1 REGFILTER2 made of the
// setup's merit and pins. "File not found" becomes S_OK.
HRESULT RegisterFilterWithMapper2(const FilterSetup* setup, IFilterMapper2* mapper, bool registering);

// Initialises COM on the calling thread, creates the platform's filter mapper
// (CLSID_FilterMapper) and runs RegisterFilterWithMapper with it. A mapper
// that cannot be created gives its creation error.
HRESULT RegisterFilterWithPlatformMapper(const FilterSetup* setup, bool registering);

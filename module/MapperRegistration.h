// Registering a filter with the platform's filter mapper 2 in the default
// filter category (the counterpart of RegisterFilterWithMapper, which uses the
// older mapper).
#pragma once

#include <strmif.h>

#include "framework/FilterSetup.h"

// Without a setup record: S_FALSE. Otherwise unregisters the filter first;
// when registering, then registers it with a version 1 REGFILTER2 made of the
// setup's merit and pins. Returns the last result, with "file not found"
// (nothing was registered to remove) turned into S_OK.
HRESULT RegisterFilterWithMapper2(const FilterSetup* setup, IFilterMapper2* mapper, bool registering);

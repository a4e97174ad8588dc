// The registration record of a filter: what the filter mapper is told about
// it (class id, name, merit, and its pins with their media types). Constant
// data, usually a static table beside the filter.
#pragma once

#include <strmif.h>

struct FilterSetup {
    const CLSID* classId;
    const wchar_t* name;
    DWORD merit;
    UINT pinCount;
    const REGFILTERPINS* pins;
};

// Registration of the whole module, driven by the factory table: the COM
// server keys of every class, the filter's entry with the filter mapper, and
// its entry among the video input devices (DllRegisterServer and
// DllUnregisterServer, declared by the platform headers).
//
// Runs on the caller's thread (a registration tool), which is initialised for
// COM here for as long as the mappers are used.
#pragma once

#include <windows.h>

// Registering: writes the server keys of every class, then registers every
// row with setup data with the filter mapper 2 (the older mapper when the
// newer one cannot be created). Unregistering: removes the mapper entries,
// then, when that succeeded, the server keys. Stops at the first failure.
HRESULT RegisterModuleFilters(bool registering);

// The registry entries of the media source: the class key under
// HKEY_LOCAL_MACHINE\Software\Classes (machine-wide: the camera frame
// server, a service, reads no user's classes) with InprocServer32 naming
// the DLL by its full path and ThreadingModel "Both".
#pragma once

#include <windows.h>

namespace mediasource {

// Writes the keys with modulePath as the server (registering), or removes
// the class key with everything below it (S_OK when it is not there).
HRESULT RegisterMediaSource(const wchar_t* modulePath, bool registering);

// The full path of the module this code is linked into (the DLL, or a
// program that links the source statically).
HRESULT ThisModulePath(wchar_t* path, DWORD capacity);

} // namespace mediasource

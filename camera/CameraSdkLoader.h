// Run-time access to the camera SDK, ZorvikSDK.dll.
//
// The library is loaded once per process, by full path, from the folder of the
// module that contains this code (ZorvikFilter.dll, or a test program that
// links the code statically), never through the DLL search path. It stays
// loaded for the life of the process: the capture thread and the settings page
// may call into it at any time.
//
// When the library or one of its functions is missing, the entry points to a
// stand-in that does nothing and returns 0 (writing nothing through its
// pointers). Callers therefore need no checks: CameraInit then fails, and
// settings calls have no effect.
#pragma once

#include "camera/CameraSdk.h"

struct CameraSdk {
#define LUMORA_SDK_ENTRY(name) decltype(&::name) name;
    ZORVIK_SDK_FUNCTIONS(LUMORA_SDK_ENTRY)
#undef LUMORA_SDK_ENTRY
    // True when ZorvikSDK.dll was found and loaded.
    bool present;
};

// The process's SDK table; the first call loads the library (thread safe).
const CameraSdk& GetCameraSdk();

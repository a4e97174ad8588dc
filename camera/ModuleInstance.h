// Module-wide values recorded when the module is loaded (DllMain). The capture
// window is created with moduleHandle; the property pages load their dialogs
// and strings from it. A test program that links the code statically records
// its own instance here before using those parts.
#pragma once

#include <windows.h>

extern HINSTANCE moduleHandle;
// The OS platform id: 2 on the Unicode-capable (NT) platform; 1 until known.
extern DWORD platformId;

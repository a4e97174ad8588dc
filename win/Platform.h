// What the operating system reports about itself.
#pragma once

#include <windows.h>

namespace win {

// The OS platform id (GetVersionEx): 2 (VER_PLATFORM_WIN32_NT) on every
// Unicode-capable Windows; 1 when the query fails. Asked once per process.
DWORD PlatformId();

} // namespace win

// Entry point of ZorvikFilter.dll. Runs under the loader lock, so it does
// nothing but record the values the rest of the module reads: its instance
// handle (resources, the capture window, the module path for registration)
// and the platform id.
#include <windows.h>

#include "camera/ModuleInstance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        platformId = GetVersionExA(&version) ? version.dwPlatformId : 1;
        moduleHandle = instance;
    }
    return TRUE;
}

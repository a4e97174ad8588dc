// Entry point of ZorvikFilter.dll. Runs under the loader lock, so it does
// nothing but record the module's instance handle (registration reads the
// module path from it).
#include <windows.h>

#include "module/ModuleInstance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        moduleHandle = instance;
    }
    return TRUE;
}

// Entry point of LumoraMediaSource.dll. Runs under the loader lock, so it
// does nothing but record the module's instance handle.
#include <windows.h>

#include "mediasource/SourceModule.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        mediasource::moduleInstance = instance;
    }
    return TRUE;
}

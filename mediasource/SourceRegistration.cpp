#include "mediasource/SourceRegistration.h"

#include "mediasource/MediaSourceGuids.h"
#include "mediasource/SourceModule.h"
#include "win/HResult.h"
#include "win/Module.h"
#include "win/RegistryKey.h"
#include "win/ServerKeys.h"

namespace mediasource {

HRESULT RegisterMediaSource(const wchar_t* modulePath, bool registering)
{
    win::RegistryKey classes;
    const REGSAM access = KEY_READ | KEY_WRITE | DELETE;
    RETURN_IF_FAILED(HRESULT_FROM_WIN32(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, nullptr,
                                                        REG_OPTION_NON_VOLATILE, access, nullptr, classes.Receive(),
                                                        nullptr)));
    if (!registering) {
        return win::UnregisterServerKey(classes.Get(), CLSID_LumoraMediaSource);
    }
    if (!modulePath || !*modulePath) {
        return E_INVALIDARG;
    }
    return win::RegisterServerKey(classes.Get(), CLSID_LumoraMediaSource, kMediaSourceName, modulePath, L"Both",
                                  L"InprocServer32");
}

HRESULT ThisModulePath(wchar_t* path, DWORD capacity)
{
    if (!path || capacity == 0) {
        return E_INVALIDARG;
    }
    const HMODULE module = moduleInstance ? moduleInstance : win::CodeModule();
    const DWORD length = GetModuleFileNameW(module, path, capacity);
    if (length == 0) {
        return win::LastErrorResult();
    }
    // A path cut short is never registered.
    if (length >= capacity) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    return S_OK;
}

} // namespace mediasource

// The COM server exports of LumoraMediaSource.dll: the class factory, whether
// the DLL may be unloaded, and its registration.
#include <objbase.h>
#include <wrl/client.h>

#include "mediasource/MediaSourceGuids.h"
#include "mediasource/SourceClassFactory.h"
#include "mediasource/SourceModule.h"
#include "mediasource/SourceRegistration.h"

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!IsEqualCLSID(classId, CLSID_LumoraMediaSource)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    const Microsoft::WRL::ComPtr<mediasource::SourceClassFactory> factory =
        win::MakeComObject<mediasource::SourceClassFactory>();
    return factory ? factory.CopyTo(iid, out) : E_OUTOFMEMORY;
}

STDAPI DllCanUnloadNow()
{
    return mediasource::CanUnloadNow();
}

namespace {

HRESULT Register(bool registering)
{
    wchar_t path[MAX_PATH + 1] = {};
    if (registering) {
        const HRESULT hr = mediasource::ThisModulePath(path, MAX_PATH + 1);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return mediasource::RegisterMediaSource(path, registering);
}

} // namespace

STDAPI DllRegisterServer()
{
    return Register(true);
}

STDAPI DllUnregisterServer()
{
    return Register(false);
}

// The COM server exports through which a host creates the module's objects
// and asks whether the module may be unloaded.
#include <objbase.h>
#include <wrl/client.h>

#include "module/ClassFactory.h"
#include "module/FactoryTemplate.h"

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    // Only factories are handed out here, whatever the class.
    if (!IsEqualIID(iid, IID_IClassFactory) && !IsEqualIID(iid, IID_IUnknown)) {
        return E_NOINTERFACE;
    }
    for (size_t i = 0; i < factoryTemplateCount; ++i) {
        if (IsEqualCLSID(classId, *factoryTemplates[i].classId)) {
            const Microsoft::WRL::ComPtr<ClassFactory> factory =
                win::MakeComObject<ClassFactory>(&factoryTemplates[i]);
            return factory ? factory.CopyTo(iid, out) : E_OUTOFMEMORY;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return (serverLockCount > 0 || liveObjectCount != 0) ? S_FALSE : S_OK;
}

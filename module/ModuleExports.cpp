// The COM server exports through which a host creates the module's objects
// and asks whether the module may be unloaded.
#include <objbase.h>

#include <new>

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
            ClassFactory* factory = new (std::nothrow) ClassFactory(&factoryTemplates[i]);
            if (!factory) {
                return E_OUTOFMEMORY;
            }
            factory->AddRef();
            *out = static_cast<IClassFactory*>(factory);
            return S_OK;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return (serverLockCount > 0 || liveObjectCount != 0) ? S_FALSE : S_OK;
}

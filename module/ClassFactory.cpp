#include "module/ClassFactory.h"

#include <wrl/client.h>

#include "win/HResult.h"

volatile LONG serverLockCount = 0;

ClassFactory::ClassFactory(const FactoryTemplate* row) : row(row)
{
    InterlockedIncrement(&liveObjectCount);
}

ClassFactory::~ClassFactory()
{
    InterlockedDecrement(&liveObjectCount);
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    // An aggregated object can only hand its inner unknown to its outer object.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) {
        return E_NOINTERFACE;
    }
    *out = nullptr;

    HRESULT hr = S_OK;
    UnknownBase* object = row->create(outer, &hr);
    if (!object) {
        return FAILED(hr) ? hr : E_OUTOFMEMORY;
    }
    // The object's first reference: it keeps the object alive through the
    // query and destroys it when the query handed out nothing (or creation
    // reported a failure).
    const Microsoft::WRL::ComPtr<IUnknown> created(object->InnerUnknown());
    RETURN_IF_FAILED(hr);
    return created.CopyTo(iid, out);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock)
{
    if (lock) {
        InterlockedIncrement(&serverLockCount);
    } else {
        InterlockedDecrement(&serverLockCount);
    }
    return S_OK;
}

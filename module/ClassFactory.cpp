#include "module/ClassFactory.h"

volatile LONG serverLockCount = 0;

ClassFactory::ClassFactory(const FactoryTemplate* row) : row(row)
{
    InterlockedIncrement(&liveObjectCount);
}

ClassFactory::~ClassFactory()
{
    InterlockedDecrement(&liveObjectCount);
}

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG STDMETHODCALLTYPE ClassFactory::Release()
{
    const LONG now = InterlockedDecrement(&refCount);
    if (now == 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(now);
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
    // The reference taken here keeps the object alive through the query and
    // destroys it when the query handed out nothing (or creation reported a
    // failure).
    object->InnerAddRef();
    if (SUCCEEDED(hr)) {
        hr = object->InnerQueryInterface(iid, out);
    }
    object->InnerRelease();
    return hr;
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

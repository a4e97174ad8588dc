#include "framework/UnknownBase.h"

volatile LONG liveObjectCount = 0;

UnknownBase::UnknownBase(const wchar_t* /*objectName*/, IUnknown* outer)
    : owner(outer ? outer : &innerUnknown), refCount(0)
{
    InterlockedIncrement(&liveObjectCount);
}

UnknownBase::~UnknownBase()
{
    InterlockedDecrement(&liveObjectCount);
}

HRESULT STDMETHODCALLTYPE UnknownBase::InnerQueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown)) {
        return HandOutInterface(InnerUnknown(), out);
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE UnknownBase::InnerAddRef()
{
    InterlockedIncrement(&refCount);
    const LONG now = refCount;
    return now > 1 ? static_cast<ULONG>(now) : 1;
}

ULONG STDMETHODCALLTYPE UnknownBase::InnerRelease()
{
    if (InterlockedDecrement(&refCount) == 0) {
        refCount = 1;
        OnFinalRelease();
        delete this; // the object's own end: no owner outside its count
        return 0;
    }
    const LONG now = refCount;
    return now > 1 ? static_cast<ULONG>(now) : 1;
}

HRESULT UnknownBase::HandOutInterface(IUnknown* itf, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = itf;
    itf->AddRef(); // the reference the caller receives
    return S_OK;
}

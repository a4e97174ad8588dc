#include "tests/framework/AllocationFailer.h"

#include <objbase.h>

AllocationFailer::AllocationFailer(SIZE_T failSize) : failSize(failSize)
{
    registered = SUCCEEDED(CoRegisterMallocSpy(this));
}

AllocationFailer::~AllocationFailer()
{
    if (registered) {
        CoRevokeMallocSpy();
    }
}

HRESULT STDMETHODCALLTYPE AllocationFailer::QueryInterface(REFIID iid, void** out)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
        *out = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

SIZE_T STDMETHODCALLTYPE AllocationFailer::PreAlloc(SIZE_T request)
{
    if (request == failSize) {
        InterlockedIncrement(&failed);
        return 0; // a zero size from the spy makes the allocation fail
    }
    return request;
}

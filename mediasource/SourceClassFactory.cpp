#include "mediasource/SourceClassFactory.h"

#include "mediasource/CameraSource.h"

namespace mediasource {

HRESULT STDMETHODCALLTYPE SourceClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (outer) {
        return CLASS_E_NOAGGREGATION;
    }
    return CreateCameraSource(iid, out);
}

HRESULT STDMETHODCALLTYPE SourceClassFactory::LockServer(BOOL lock)
{
    if (lock) {
        LockModule();
    } else {
        UnlockModule();
    }
    return S_OK;
}

} // namespace mediasource

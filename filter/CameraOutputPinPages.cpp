// ISpecifyPropertyPages of the camera pin: the capture pin names the format
// page; the preview pin names none.
#include "filter/CameraOutputPin.h"

#include "filter/LumoraGuids.h"
#include "win/TaskMemory.h"

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetPages(CAUUID* pages)
{
    if (!pages) {
        return E_POINTER;
    }
    pages->cElems = 0;
    pages->pElems = nullptr;
    if (!IsCapturePin()) {
        return S_OK;
    }
    pages->cElems = 1;
    win::TaskMemoryPtr<GUID> list = win::AllocateTaskMemory<GUID>(1);
    if (!list) {
        return E_OUTOFMEMORY;
    }
    list.get()[0] = CLSID_FormatPage;
    pages->pElems = list.release(); // the caller frees it
    return S_OK;
}

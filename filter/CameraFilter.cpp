#include "filter/CameraFilter.h"

#include <new>

#include "filter/LumoraGuids.h"
#include "framework/TaskMemory.h"

UnknownBase* CreateCameraFilter(IUnknown* outer, HRESULT* hr)
{
    CameraFilter* filter = new (std::nothrow) CameraFilter(outer, hr);
    if (hr) {
        *hr = filter ? S_OK : E_OUTOFMEMORY;
    }
    return filter;
}

CameraFilter::CameraFilter(IUnknown* outer, HRESULT* /*result*/)
    : SourceFilterBase(nullptr, outer, CLSID_LumoraCameraFilter)
{
    // A missing pin leaves a filter with fewer pins; nothing more to undo.
    CreatePins();
}

CameraFilter::~CameraFilter()
{
    // Pins first, capture pin first: each leaves the stream array as it goes.
    // The camera controller (a member) goes after them and closes the camera.
    for (int i = 0; i < m_PinCount; ++i) {
        m_Pins[i].reset();
    }
    m_PinCount = 0;
}

HRESULT CameraFilter::CreatePins()
{
    HRESULT hr = AddPin(L"~Capture", PIN_CATEGORY_CAPTURE);
    if (FAILED(hr)) {
        return hr;
    }
    return AddPin(L"Preview", PIN_CATEGORY_PREVIEW);
}

HRESULT CameraFilter::AddPin(const wchar_t* name, REFGUID category)
{
    if (m_PinCount >= kPinCapacity) {
        return E_UNEXPECTED;
    }
    // The pin adds itself to the stream array; what that reports is not used.
    HRESULT added = E_FAIL;
    std::unique_ptr<CameraOutputPin> pin(new (std::nothrow) CameraOutputPin(this, &added, name));
    if (!pin) {
        return E_OUTOFMEMORY;
    }
    pin->AttachCamera(&m_Camera, category);
    pin->SetupPin();
    m_Pins[m_PinCount++] = std::move(pin);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraFilter::InnerQueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_ICameraFilterMarker)) {
        return HandOutInterface(static_cast<ICameraFilterMarker*>(this), out);
    }
    if (IsEqualIID(iid, IID_IAMFilterMiscFlags)) {
        return HandOutInterface(static_cast<IAMFilterMiscFlags*>(this), out);
    }
    if (IsEqualIID(iid, IID_ISpecifyPropertyPages)) {
        return HandOutInterface(static_cast<ISpecifyPropertyPages*>(this), out);
    }
    if (IsEqualIID(iid, IID_IOverlayNotify)) {
        return HandOutInterface(static_cast<IOverlayNotify*>(this), out);
    }
    if (IsEqualIID(iid, IID_ICameraSettings)) {
        // Both property pages end up with the capture pin's implementation.
        if (m_PinCount == 0) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return m_Pins[0]->InnerQueryInterface(iid, out);
    }
    // IKsPropertySet is the pins' and is refused here, like any other id the
    // filter base does not know.
    return SourceFilterBase::InnerQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE CameraFilter::GetPages(CAUUID* pages)
{
    if (!pages) {
        return E_POINTER;
    }
    pages->cElems = 1;
    pages->pElems = nullptr;
    TaskMemoryPtr<GUID> list = AllocateTaskMemory<GUID>(1);
    if (!list) {
        return E_OUTOFMEMORY;
    }
    list.get()[0] = CLSID_CameraSettingsPage;
    pages->pElems = list.release(); // the caller frees it
    return S_OK;
}

ULONG STDMETHODCALLTYPE CameraFilter::GetMiscFlags()
{
    return AM_FILTER_MISC_FLAGS_IS_SOURCE;
}

HRESULT STDMETHODCALLTYPE CameraFilter::OnPaletteChange(DWORD /*colors*/, const PALETTEENTRY* /*palette*/)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraFilter::OnClipChange(const RECT* /*source*/, const RECT* /*destination*/,
                                                     const RGNDATA* /*region*/)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraFilter::OnColorKeyChange(const COLORKEY* /*colorKey*/)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraFilter::OnPositionChange(const RECT* /*source*/, const RECT* /*destination*/)
{
    return S_OK;
}

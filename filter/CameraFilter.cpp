#include "filter/CameraFilter.h"

#include <memory>
#include <new>

#include "filter/LumoraGuids.h"
#include "win/HResult.h"
#include "win/TaskMemory.h"

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
    // The pins use m_Camera: they go first. The controller (a member) goes
    // after this body and closes the camera.
    DestroyStreams();
}

HRESULT CameraFilter::CreatePins()
{
    RETURN_IF_FAILED(AddPin(L"~Capture", PIN_CATEGORY_CAPTURE));
    return AddPin(L"Preview", PIN_CATEGORY_PREVIEW);
}

HRESULT CameraFilter::AddPin(const wchar_t* name, REFGUID category)
{
    HRESULT added = E_FAIL;
    std::unique_ptr<CameraOutputPin> pin(new (std::nothrow) CameraOutputPin(this, &added, name));
    if (!pin) {
        return E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(added); // not in the stream array: it goes with pin
    CameraOutputPin* const held = pin.release(); // the stream array owns it
    held->AttachCamera(&m_Camera, category);
    held->SetupPin();
    return S_OK;
}

void CameraFilter::FollowSettings(const CameraConfig& record)
{
    win::LockGuard guard(StateLock());
    const int count = PinCount();
    for (int i = 0; i < count; ++i) {
        static_cast<CameraOutputPin*>(PinAt(i))->SelectResolution(record.m_Format.m_Resolution);
    }
    FollowFrameSpeed(record.m_FrameSpeed);
}

void CameraFilter::FollowFrameSpeed(int32_t frameSpeed)
{
    win::LockGuard guard(StateLock());
    m_FrameSpeed.store(frameSpeed == kFrameSpeedNormal ? kFrameSpeedNormal : kFrameSpeedHigh);
    const int count = PinCount();
    for (int i = 0; i < count; ++i) {
        static_cast<CameraOutputPin*>(PinAt(i))->RefreshCurrentType();
    }
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
    if (IsEqualIID(iid, IID_IAMVideoProcAmp)) {
        return HandOutInterface(&m_VideoProcAmp, out);
    }
    if (IsEqualIID(iid, IID_IAMCameraControl)) {
        return HandOutInterface(&m_CameraControl, out);
    }
    if (IsEqualIID(iid, IID_IAMVideoControl)) {
        return HandOutInterface(&m_VideoControl, out);
    }
    if (IsEqualIID(iid, IID_ICameraSettings)) {
        // Both property pages end up with the capture pin's implementation.
        CameraOutputPin* capture = CapturePin();
        if (!capture) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return capture->InnerQueryInterface(iid, out);
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
    win::TaskMemoryPtr<GUID> list = win::AllocateTaskMemory<GUID>(1);
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

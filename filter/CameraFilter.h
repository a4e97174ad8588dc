// CameraFilter: the source filter capture applications create to use the
// camera. Two CameraOutputPin streams, the capture pin "~Capture" (pin id
// "1") and the preview pin "Preview" (pin id "2"), share the one camera
// controller the filter embeds. Besides the framework's filter interfaces the
// filter names the camera settings page, declares itself a source filter,
// accepts overlay notifications without acting on them and passes queries for
// ICameraSettings to its capture pin. It also exports the platform's standard
// camera controls: IAMVideoProcAmp and IAMCameraControl (the camera's
// settings, camera/StandardControls.h) and IAMVideoControl for the capture
// pin (mirroring, frame rates); each is a part of the filter of its own
// (StandardControlInterface, VideoControlInterface) with the filter's
// identity.
//
// Threading: the filter adds no lock of its own; StateLock (SourceFilterBase)
// guards the pins' media type work, format selection and the changes of the
// pins' rate, and the controller guards itself. The rate (m_FrameSpeed) is an
// atomic so that the pins' workers read it without StateLock. The camera is
// opened and closed by the pins' workers.
//
// Ownership: the pins are streams of SourceFilterBase, the one owner; the
// filter keeps no pointers of its own to them. The pins use m_Camera, so the
// destructor destroys them (DestroyStreams) before m_Camera goes; the
// controller then closes the camera if it is still open.
#pragma once

#include <dshow.h>

#include <atomic>

#include "camera/Camera.h"
#include "camera/FrameRates.h"
#include "filter/CameraOutputPin.h"
#include "filter/CameraSettings.h"
#include "filter/StandardControlInterface.h"
#include "filter/VideoControlInterface.h"
#include "framework/SourceFilterBase.h"

class CameraFilter : public SourceFilterBase,
                     public ICameraFilterMarker,
                     public ISpecifyPropertyPages,
                     public IAMFilterMiscFlags,
                     public IOverlayNotify {
public:
    // Creates both pins; a pin that cannot be allocated is left out.
    CameraFilter(IUnknown* outer, HRESULT* result);
    ~CameraFilter() override;

    FORWARD_IUNKNOWN_TO_OWNER

    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;

    // ISpecifyPropertyPages: the camera settings page.
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;
    // IAMFilterMiscFlags: AM_FILTER_MISC_FLAGS_IS_SOURCE.
    ULONG STDMETHODCALLTYPE GetMiscFlags() override;
    // IOverlayNotify: accepted and ignored.
    HRESULT STDMETHODCALLTYPE OnPaletteChange(DWORD colors, const PALETTEENTRY* palette) override;
    HRESULT STDMETHODCALLTYPE OnClipChange(const RECT* source, const RECT* destination, const RGNDATA* region) override;
    HRESULT STDMETHODCALLTYPE OnColorKeyChange(const COLORKEY* colorKey) override;
    HRESULT STDMETHODCALLTYPE OnPositionChange(const RECT* source, const RECT* destination) override;

    // The graph the filter has joined (no reference), or null.
    IFilterGraph* Graph() const { return graph; }
    // The controller both pins share.
    CCamera* Camera() { return &m_Camera; }
    // The capture pin (pin 0), or null when it could not be created.
    CameraOutputPin* CapturePin() { return static_cast<CameraOutputPin*>(PinAt(0)); }

    // Every pin follows a settings record someone has in hand (read or
    // applied through ICameraSettings): its resolution index decides each
    // pin's offered entry when it differs from the one the pin follows (see
    // CameraOutputPin::SelectResolution), and its frame speed becomes the
    // pins' rate (FollowFrameSpeed). Takes StateLock.
    void FollowSettings(const CameraConfig& record);
    // The camera's frame speed is now frameSpeed (1 "High", 2 "Normal"; any
    // other value counts as 1): both pins announce its frame interval in the
    // types they offer and in their current types, and pace their fills to
    // it. Takes StateLock; never called on a pin worker.
    void FollowFrameSpeed(int32_t frameSpeed);
    // The camera's frame speed the pins follow (1 or 2), and its frame
    // interval in 100-ns units. No lock: the pins' workers read it per fill.
    int32_t FrameSpeed() const { return m_FrameSpeed.load(); }
    LONGLONG FrameInterval() const { return FrameRates::FrameIntervalForSpeed(FrameSpeed()); }

private:
    // Builds the capture pin, then the preview pin; E_OUTOFMEMORY when one
    // cannot be allocated (the pins built so far stay).
    HRESULT CreatePins();
    // Appends a pin attached to the camera with its category and set up.
    HRESULT AddPin(const wchar_t* name, REFGUID category);

    // Declared before the pins are made and destroyed after them (see the
    // destructor).
    CCamera m_Camera;
    // The standard controls' interfaces; they use m_Camera (and the pins).
    VideoProcAmpInterface m_VideoProcAmp{Owner(), &m_Camera};
    CameraControlInterface m_CameraControl{Owner(), &m_Camera};
    VideoControlInterface m_VideoControl{this};
    // The rate of both pins: the camera is one, so is its frame speed.
    // Written under StateLock (FollowFrameSpeed), read without a lock.
    std::atomic<int32_t> m_FrameSpeed{kFrameSpeedHigh};
};

// Creation function of the filter's class (factory table): the new filter's
// inner unknown with no reference taken, or null. *hr (when given) is S_OK
// when the object was allocated, else E_OUTOFMEMORY.
UnknownBase* CreateCameraFilter(IUnknown* outer, HRESULT* hr);

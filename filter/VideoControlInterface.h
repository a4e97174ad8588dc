// IAMVideoControl of the camera filter, for its capture pin: the camera's
// mirror switches as the flips (VideoControlFlag_FlipHorizontal is the
// horizontal mirror, FlipVertical the vertical one), the frame rates the
// camera delivers (its two frame speeds, "High" and "Normal"), and the rate
// the capture pin is really delivering, measured from its samples.
//
// Every method takes the capture pin: a null pin is E_POINTER, any other pin
// E_INVALIDARG. SetMode with a flag beyond the caps is E_INVALIDARG and
// changes nothing; it sets both mirrors through the controller's
// ChangeSettings (at once, and kept in the settings file; a save that failed
// is reported after the switches were applied; while another filter of the
// process has the camera open, nothing changes and the result is
// HRESULT_FROM_WIN32(ERROR_BUSY)). GetMaxAvailableFrameRate and
// GetFrameRateList take the index of one of the pin's stream capabilities
// (IAMStreamConfig::GetStreamCaps) and its frame size, otherwise
// E_INVALIDARG. GetCurrentActualFrameRate is VFW_E_NOT_CONNECTED while the
// pin is not connected and E_FAIL until it has delivered two samples since
// streaming started.
//
// Threading: any thread; StateLock is taken briefly to read the pin's
// connection, and the controller's settings calls are made without it.
// Ownership: a part of the filter that holds no reference; its AddRef and
// Release count on the filter's owner.
#pragma once

#include <dshow.h>

#include "framework/UnknownBase.h"

class CameraFilter;

class VideoControlInterface final : public IAMVideoControl {
public:
    explicit VideoControlInterface(CameraFilter* filter);
    VideoControlInterface(const VideoControlInterface&) = delete;
    VideoControlInterface& operator=(const VideoControlInterface&) = delete;

    FORWARD_IUNKNOWN_TO(FilterOwner())

    HRESULT STDMETHODCALLTYPE GetCaps(IPin* pin, LONG* flags) override;
    HRESULT STDMETHODCALLTYPE SetMode(IPin* pin, LONG mode) override;
    HRESULT STDMETHODCALLTYPE GetMode(IPin* pin, LONG* mode) override;
    HRESULT STDMETHODCALLTYPE GetCurrentActualFrameRate(IPin* pin, LONGLONG* frameInterval) override;
    HRESULT STDMETHODCALLTYPE GetMaxAvailableFrameRate(IPin* pin, LONG index, SIZE dimensions,
                                                       LONGLONG* frameInterval) override;
    HRESULT STDMETHODCALLTYPE GetFrameRateList(IPin* pin, LONG index, SIZE dimensions, LONG* count,
                                               LONGLONG** frameIntervals) override;

private:
    // The filter's IUnknown, which this part's IUnknown methods forward to.
    IUnknown* FilterOwner() const;
    // S_OK for the filter's capture pin, E_POINTER for none, else E_INVALIDARG.
    HRESULT CheckPin(IPin* pin) const;
    // S_OK when index names one of the pin's capabilities of that frame size.
    HRESULT CheckCapability(LONG index, SIZE dimensions) const;

    CameraFilter* const m_Filter; // the owner, not counted
};

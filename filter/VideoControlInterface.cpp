#include "filter/VideoControlInterface.h"

#include "filter/CameraFilter.h"
#include "filter/FormatLadder.h"
#include "camera/FrameRates.h"
#include "filter/StandardControlInterface.h"
#include "win/HResult.h"
#include "win/TaskMemory.h"

namespace {

using FrameRates::kFrameIntervalCount;
using FrameRates::kFrameIntervals;

const LONG kFlipCaps = VideoControlFlag_FlipHorizontal | VideoControlFlag_FlipVertical;

// Room for the camera's own formats, the first the stream capabilities list.
const int kMaxCapabilities = 16;

} // namespace

VideoControlInterface::VideoControlInterface(CameraFilter* filter) : m_Filter(filter) {}

IUnknown* VideoControlInterface::FilterOwner() const
{
    return m_Filter->Owner();
}

HRESULT VideoControlInterface::CheckPin(IPin* pin) const
{
    if (!pin) {
        return E_POINTER;
    }
    // The caller's pointer is compared, never called: a pin of this filter
    // hands out this very IPin pointer.
    CameraOutputPin* capture = m_Filter->CapturePin();
    return capture && pin == static_cast<IPin*>(capture) ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE VideoControlInterface::GetCaps(IPin* pin, LONG* flags)
{
    RETURN_IF_FAILED(CheckPin(pin));
    if (!flags) {
        return E_POINTER;
    }
    *flags = kFlipCaps;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoControlInterface::SetMode(IPin* pin, LONG mode)
{
    RETURN_IF_FAILED(CheckPin(pin));
    if ((mode & ~kFlipCaps) != 0) {
        return E_INVALIDARG;
    }
    return ChangeCameraSettingNow(*m_Filter->Camera(), [mode](CameraConfig& record) {
        record.m_HMirror = (mode & VideoControlFlag_FlipHorizontal) ? 1 : 0;
        record.m_VMirror = (mode & VideoControlFlag_FlipVertical) ? 1 : 0;
    });
}

HRESULT STDMETHODCALLTYPE VideoControlInterface::GetMode(IPin* pin, LONG* mode)
{
    RETURN_IF_FAILED(CheckPin(pin));
    if (!mode) {
        return E_POINTER;
    }
    CameraConfig current;
    if (m_Filter->Camera()->GetConfig(&current) != 1) {
        return E_FAIL;
    }
    *mode = (current.m_HMirror ? VideoControlFlag_FlipHorizontal : 0) |
            (current.m_VMirror ? VideoControlFlag_FlipVertical : 0);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoControlInterface::GetCurrentActualFrameRate(IPin* pin, LONGLONG* frameInterval)
{
    RETURN_IF_FAILED(CheckPin(pin));
    if (!frameInterval) {
        return E_POINTER;
    }
    CameraOutputPin* capture = m_Filter->CapturePin();
    {
        win::LockGuard guard(m_Filter->StateLock());
        if (!capture->IsConnected()) {
            return VFW_E_NOT_CONNECTED;
        }
    }
    REFERENCE_TIME measured = 0;
    if (!capture->DeliveryRate().MeanInterval(&measured)) {
        return E_FAIL;
    }
    *frameInterval = measured;
    return S_OK;
}

HRESULT VideoControlInterface::CheckCapability(LONG index, SIZE dimensions) const
{
    // After the camera's own entries the stream capabilities list the ladder.
    if (index >= kCameraFormatCount && index < kPinFormatCount) {
        const LadderEntry entry = LadderEntryAt(index - kCameraFormatCount);
        return entry.width == dimensions.cx && entry.height == dimensions.cy ? S_OK : E_INVALIDARG;
    }
    BITMAPINFOHEADER headers[kMaxCapabilities] = {};
    int count = kMaxCapabilities;
    m_Filter->Camera()->GetFormats(headers, &count);
    if (index < 0 || index >= count) {
        return E_INVALIDARG;
    }
    const BITMAPINFOHEADER& header = headers[index];
    return header.biWidth == dimensions.cx && header.biHeight == dimensions.cy ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE VideoControlInterface::GetMaxAvailableFrameRate(IPin* pin, LONG index, SIZE dimensions,
                                                                          LONGLONG* frameInterval)
{
    RETURN_IF_FAILED(CheckPin(pin));
    if (!frameInterval) {
        return E_POINTER;
    }
    RETURN_IF_FAILED(CheckCapability(index, dimensions));
    *frameInterval = kFrameIntervals[0];
    return S_OK;
}

HRESULT STDMETHODCALLTYPE VideoControlInterface::GetFrameRateList(IPin* pin, LONG index, SIZE dimensions,
                                                                  LONG* count, LONGLONG** frameIntervals)
{
    RETURN_IF_FAILED(CheckPin(pin));
    if (!count) {
        return E_POINTER;
    }
    RETURN_IF_FAILED(CheckCapability(index, dimensions));
    *count = kFrameIntervalCount;
    // Without a list pointer the caller asks for the count only.
    if (!frameIntervals) {
        return S_OK;
    }
    *frameIntervals = nullptr;
    win::TaskMemoryPtr<LONGLONG> list = win::AllocateTaskMemory<LONGLONG>(kFrameIntervalCount);
    if (!list) {
        return E_OUTOFMEMORY;
    }
    for (LONG i = 0; i < kFrameIntervalCount; ++i) {
        list.get()[i] = kFrameIntervals[i];
    }
    *frameIntervals = list.release(); // the caller frees it
    return S_OK;
}

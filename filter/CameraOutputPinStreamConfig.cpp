// IAMStreamConfig of the camera pin: the five listed capabilities, and
// setting or reading the pin's current media type.
#include "filter/CameraOutputPin.h"

#include <wrl/client.h>

#include "filter/CameraFilter.h"
#include "filter/VideoFormats.h"

using Microsoft::WRL::ComPtr;

HRESULT STDMETHODCALLTYPE CameraOutputPin::SetFormat(AM_MEDIA_TYPE* type)
{
    if (!type) {
        return S_OK;
    }
    {
        // Any type is taken as it is. The lock keeps the replacement from
        // freeing a format block that another caller is copying.
        win::LockGuard guard(SourceFilter()->StateLock());
        connectionType.Assign(*type);
    }
    // A connected pin asks the graph to negotiate the connection again
    // (outside the lock: the graph calls back into the pins). Its result is
    // not reported.
    ComPtr<IPin> peer;
    if (SUCCEEDED(ConnectedTo(peer.GetAddressOf())) && peer) {
        if (IFilterGraph* graph = m_pOwnerFilter->Graph()) {
            graph->Reconnect(Pin());
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetFormat(AM_MEDIA_TYPE** type)
{
    if (!type) {
        return E_POINTER;
    }
    win::LockGuard guard(SourceFilter()->StateLock());
    *type = CloneType(&connectionType);
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetNumberOfCapabilities(int* count, int* size)
{
    if (!count || !size) {
        return E_POINTER;
    }
    *count = m_FormatCount;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps)
{
    if (!type || !caps) {
        return E_POINTER;
    }
    // Every entry is listed, whatever the stored resolution index selects.
    if (index < 0 || index >= m_FormatCount) {
        return S_FALSE;
    }
    const MediaTypeRecord& entry = m_Formats[index];
    const VIDEOINFOHEADER* format = VideoInfoOf(entry);
    AM_MEDIA_TYPE* copy = CloneType(&entry);
    if (!copy || !format) {
        DeleteType(copy);
        return E_OUTOFMEMORY;
    }
    *type = copy;
    FillVideoStreamCaps(*format, reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(caps));
    return S_OK;
}

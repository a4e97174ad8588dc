// IAMStreamConfig of the camera pin: the five listed capabilities, and
// setting or reading the pin's current media type.
#include "filter/CameraOutputPin.h"

#include <wrl/client.h>

#include <utility>

#include "filter/CameraFilter.h"
#include "filter/VideoFormats.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

HRESULT STDMETHODCALLTYPE CameraOutputPin::SetFormat(AM_MEDIA_TYPE* type)
{
    if (!type) {
        return S_OK;
    }
    ComPtr<IPin> peer;
    MediaTypeRecord previous;
    {
        // The lock keeps the replacement from freeing a format block that
        // another caller is copying, and the connection from changing under
        // the checks.
        win::LockGuard guard(SourceFilter()->StateLock());
        RETURN_IF_FAILED(CheckDeliverable(type));
        if (!FilterIsStopped()) {
            return VFW_E_NOT_STOPPED;
        }
        if (!connectedPin) {
            // Copied first, so that running out of memory changes nothing.
            HRESULT copied = S_OK;
            MediaTypeRecord copy(*type, &copied);
            RETURN_IF_FAILED(copied);
            std::swap(static_cast<AM_MEDIA_TYPE&>(connectionType), static_cast<AM_MEDIA_TYPE&>(copy));
            return S_OK;
        }
        peer = connectedPin;
        RETURN_IF_FAILED(previous.Assign(connectionType));
    }
    // Connected: the peer and the graph are called outside the lock (the
    // graph calls back into the pins). A peer that refuses the type is asked
    // before the connection is broken, so the refusal changes nothing.
    if (peer->QueryAccept(type) != S_OK) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const HRESULT hr = ConnectAgain(peer.Get(), type);
    if (FAILED(hr)) {
        // The peer took the query but not the connection: the former
        // connection (when the attempt left the pins apart; best effort) and
        // the former type.
        if (!IsConnected()) {
            ConnectAgain(peer.Get(), &previous);
        }
        win::LockGuard guard(SourceFilter()->StateLock());
        connectionType.Assign(previous);
    }
    return hr;
}

HRESULT CameraOutputPin::ConnectAgain(IPin* peer, const AM_MEDIA_TYPE* type)
{
    if (IFilterGraph* graph = m_pOwnerFilter->Graph()) {
        if (!IsConnected()) {
            return graph->ConnectDirect(Pin(), peer, type);
        }
        ComPtr<IFilterGraph2> graph2;
        RETURN_IF_FAILED(graph->QueryInterface(IID_PPV_ARGS(graph2.GetAddressOf())));
        return graph2->ReconnectEx(Pin(), type);
    }
    // A pin connected by hand, outside any graph: the same steps.
    if (IsConnected()) {
        RETURN_IF_FAILED(peer->Disconnect());
        RETURN_IF_FAILED(Disconnect());
    }
    return Connect(peer, type);
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

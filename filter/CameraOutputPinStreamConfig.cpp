// IAMStreamConfig of the camera pin: the listed capabilities (the camera's
// five, then the format ladder) at the camera's rates, choosing the pin's
// format and size and the camera's rate, and reading the pin's current media
// type.
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
    MediaTypeRecord chosen; // the pin's own type of the asked size and rate
    MediaTypeRecord previous;
    int position = -1;
    int previousPosition = 0;
    int32_t previousSpeed = 0;
    int32_t namedSpeed = 0; // the speed the type names; 0: none, the rate stays
    {
        // The lock keeps the replacement from freeing a format block that
        // another caller is copying, and the choice and the connection from
        // changing under the checks.
        win::LockGuard guard(SourceFilter()->StateLock());
        DeliverableType decided;
        RETURN_IF_FAILED(CheckDeliverable(type, &decided));
        if (!FilterIsStopped()) {
            return VFW_E_NOT_STOPPED;
        }
        position = decided.position;
        previousSpeed = m_pOwnerFilter->FrameSpeed();
        namedSpeed = decided.frameSpeed;
        // Made first, so that running out of memory changes nothing.
        RETURN_IF_FAILED(EntryAtRate(position, namedSpeed, &chosen));
        if (connectedPin) {
            peer = connectedPin;
            RETURN_IF_FAILED(previous.Assign(connectionType));
        }
        previousPosition = m_SelectedPosition;
        if (!peer) {
            m_SelectedPosition = position;
            std::swap(static_cast<AM_MEDIA_TYPE&>(connectionType), static_cast<AM_MEDIA_TYPE&>(chosen));
        }
    }
    if (!peer) {
        // The rate last, outside the lock: the controller saves the settings
        // file and calls the SDK. Both pins then follow it. A type that names
        // no rate leaves the camera's as it is.
        return namedSpeed != 0 ? ChangeFrameSpeed(namedSpeed) : S_OK;
    }

    // Connected: the peer, the controller and the graph are called outside
    // the lock (the graph calls back into the pins). A peer that refuses the
    // type is asked before anything changes, so the refusal changes nothing.
    if (peer->QueryAccept(&chosen) != S_OK) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    {
        win::LockGuard guard(SourceFilter()->StateLock());
        m_SelectedPosition = position;
    }
    const HRESULT saved = namedSpeed != 0 ? ChangeFrameSpeed(namedSpeed) : S_OK;
    const HRESULT hr = ConnectAgain(peer.Get(), &chosen);
    if (FAILED(hr)) {
        // The peer took the query but not the connection: the former rate,
        // choice, connection (when the attempt left the pins apart; best
        // effort) and type.
        if (namedSpeed != 0) {
            ChangeFrameSpeed(previousSpeed);
        }
        {
            win::LockGuard guard(SourceFilter()->StateLock());
            m_SelectedPosition = previousPosition;
        }
        if (!IsConnected()) {
            ConnectAgain(peer.Get(), &previous);
        }
        win::LockGuard guard(SourceFilter()->StateLock());
        connectionType.Assign(previous);
        return hr;
    }
    return FAILED(saved) ? saved : hr;
}

HRESULT CameraOutputPin::ChangeFrameSpeed(int32_t frameSpeed)
{
    if (!m_pCamera) {
        return S_OK;
    }
    // As the "Camera Set" page's High/Normal and Apply: the controller reads
    // the current record, changes the speed, saves and applies it in one
    // turn, and does nothing when the camera already runs at it. Asked even
    // when the pins announce that speed already: they follow the settings
    // file, which a camera just loaded in this process (at its power-on
    // speed) need not. A failed save still applies it (the camera runs at
    // it); the pins follow what the camera does.
    HRESULT saved = S_OK;
    m_pCamera->SetFrameSpeed(frameSpeed, &saved);
    m_pOwnerFilter->FollowFrameSpeed(frameSpeed);
    return saved;
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
    // Every entry is listed, whatever the stored resolution index selects
    // (callers count them), at the rate the camera runs at.
    if (index < 0 || index >= m_FormatCount) {
        return S_FALSE;
    }
    win::LockGuard guard(SourceFilter()->StateLock());
    MediaTypeRecord entry;
    const HRESULT built = EntryAtRate(index, 0, &entry);
    const VIDEOINFOHEADER* format = VideoInfoOf(entry);
    AM_MEDIA_TYPE* copy = SUCCEEDED(built) ? CloneType(&entry) : nullptr;
    if (!copy || !format) {
        DeleteType(copy);
        return E_OUTOFMEMORY;
    }
    *type = copy;
    FillVideoStreamCaps(*format, reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(caps));
    return S_OK;
}

#include "framework/PinBase.h"

#include <dshow.h>

#include <cwchar>

#include "framework/FilterBase.h"
#include "framework/MediaTypeEnumerator.h"
#include "win/ComObject.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace {

// Results of a single attempt that only mean "this type does not fit"; they
// never become the result of a whole negotiation.
bool IsTypeMismatch(HRESULT hr)
{
    return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

// CheckType's answer as a connection result.
HRESULT TypeRefusal(HRESULT checkResult)
{
    return SUCCEEDED(checkResult) || checkResult == E_FAIL || checkResult == E_INVALIDARG ? VFW_E_TYPE_NOT_ACCEPTED
                                                                                           : checkResult;
}

} // namespace

PinBase::PinBase(const wchar_t* objectName, FilterBase* filter, win::Lock* pinLock, const wchar_t* name,
                 PIN_DIRECTION direction)
    : UnknownBase(objectName, nullptr),
      pinName(win::CopyToTaskMemory(name)), // none when it cannot be copied
      direction(direction),
      pinLock(pinLock),
      filter(filter)
{
}

PinBase::~PinBase() = default;

HRESULT STDMETHODCALLTYPE PinBase::InnerQueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IPin)) {
        return HandOutInterface(static_cast<IPin*>(this), out);
    }
    if (IsEqualIID(iid, IID_IQualityControl)) {
        return HandOutInterface(static_cast<IQualityControl*>(this), out);
    }
    return UnknownBase::InnerQueryInterface(iid, out);
}

// IUnknown forwarding: the pin's count is its filter's.
ULONG STDMETHODCALLTYPE PinBase::InnerAddRef()
{
    return filter->BaseFilter()->AddRef();
}

ULONG STDMETHODCALLTYPE PinBase::InnerRelease()
{
    return filter->BaseFilter()->Release();
}

bool PinBase::FilterIsStopped() const
{
    return !filter || filter->CurrentState() == State_Stopped;
}

HRESULT PinBase::CanConnect() const
{
    if (connectedPin) {
        return VFW_E_ALREADY_CONNECTED;
    }
    return FilterIsStopped() ? S_OK : VFW_E_NOT_STOPPED;
}

HRESULT STDMETHODCALLTYPE PinBase::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    if (!receivePin) {
        return E_POINTER;
    }
    // A given type, full or a pattern, has its block where it says before
    // any comparison reads it.
    if (type) {
        RETURN_IF_FAILED(CheckFormatBlock(type));
    }
    win::LockGuard guard(*pinLock);
    RETURN_IF_FAILED(CanConnect());
    const HRESULT hr = NegotiateType(receivePin, type);
    if (FAILED(hr)) {
        ReleasePeer();
        return hr;
    }
    return S_OK;
}

HRESULT PinBase::NegotiateType(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    if (type && !IsPartial(*type)) {
        return TryConnection(receivePin, type);
    }
    HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
    // The receiving pin's preferences first, then our own.
    IPin* const owners[] = {receivePin, Pin()};
    for (IPin* owner : owners) {
        ComPtr<IEnumMediaTypes> types;
        if (FAILED(owner->EnumMediaTypes(types.GetAddressOf())) || !types) {
            continue;
        }
        const HRESULT hr = TryTypeList(receivePin, type, types.Get());
        if (SUCCEEDED(hr)) {
            return S_OK;
        }
        if (!IsTypeMismatch(hr)) {
            result = hr;
        }
    }
    return result;
}

HRESULT PinBase::TryTypeList(IPin* receivePin, const AM_MEDIA_TYPE* pattern, IEnumMediaTypes* types)
{
    RETURN_IF_FAILED(types->Reset());
    HRESULT remembered = S_OK;
    for (;;) {
        AM_MEDIA_TYPE* fetched = nullptr;
        if (types->Next(1, &fetched, nullptr) != S_OK || !fetched) {
            return FAILED(remembered) ? remembered : VFW_E_NO_ACCEPTABLE_TYPES;
        }
        const win::MediaTypePtr type(fetched);
        // A listed type without the block it claims does not fit.
        const bool fits = SUCCEEDED(CheckFormatBlock(type.get())) && (!pattern || MatchesPattern(*type, *pattern));
        const HRESULT hr = fits ? TryConnection(receivePin, type.get()) : VFW_E_NO_ACCEPTABLE_TYPES;
        if (hr == S_OK) {
            return S_OK;
        }
        if (FAILED(hr) && !IsTypeMismatch(hr) && SUCCEEDED(remembered)) {
            remembered = hr;
        }
    }
}

HRESULT PinBase::TryConnection(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    const HRESULT hr = ConnectWith(receivePin, type);
    if (FAILED(hr)) {
        UndoPeer();
    }
    return hr;
}

HRESULT PinBase::ConnectWith(IPin* receivePin, const AM_MEDIA_TYPE* type)
{
    RETURN_IF_FAILED(TakePeer(receivePin, type));
    RETURN_IF_FAILED(receivePin->ReceiveConnection(Pin(), type));
    const HRESULT hr = FinishConnect(receivePin);
    if (FAILED(hr)) {
        receivePin->Disconnect(); // the peer has taken the connection: it lets go again
    }
    return hr;
}

HRESULT PinBase::TakePeer(IPin* peer, const AM_MEDIA_TYPE* type)
{
    RETURN_IF_FAILED(CheckPeer(peer));
    const HRESULT accepted = CheckType(type);
    if (accepted != S_OK) {
        return TypeRefusal(accepted);
    }
    connectedPin = peer;
    return SetConnectionType(type);
}

void PinBase::UndoPeer()
{
    ReleasePeer();
    connectedPin.Reset();
}

HRESULT STDMETHODCALLTYPE PinBase::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    if (!connector) {
        return E_POINTER;
    }
    RETURN_IF_FAILED(CheckFormatBlock(type));
    win::LockGuard guard(*pinLock);
    RETURN_IF_FAILED(CanConnect());
    const HRESULT hr = AcceptConnection(connector, type);
    if (FAILED(hr)) {
        UndoPeer();
        return hr;
    }
    return S_OK;
}

HRESULT PinBase::AcceptConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    RETURN_IF_FAILED(TakePeer(connector, type));
    return FinishConnect(connector);
}

HRESULT STDMETHODCALLTYPE PinBase::Disconnect()
{
    win::LockGuard guard(*pinLock);
    if (!FilterIsStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    return DropConnection();
}

HRESULT PinBase::DropConnection()
{
    if (!connectedPin) {
        return S_FALSE;
    }
    RETURN_IF_FAILED(ReleasePeer());
    connectedPin.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinBase::ConnectedTo(IPin** peer)
{
    if (!peer) {
        return E_POINTER;
    }
    connectedPin.CopyTo(peer); // null when not connected
    return *peer ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT STDMETHODCALLTYPE PinBase::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) {
        return E_POINTER;
    }
    win::LockGuard guard(*pinLock);
    if (!connectedPin) {
        ResetType(type);
        return VFW_E_NOT_CONNECTED;
    }
    return CopyTypeInto(type, &connectionType);
}

HRESULT STDMETHODCALLTYPE PinBase::QueryPinInfo(PIN_INFO* info)
{
    if (!info) {
        return E_POINTER;
    }
    // The caller's reference on the filter.
    ComPtr<IBaseFilter>(filter ? filter->BaseFilter() : nullptr).CopyTo(&info->pFilter);
    const size_t capacity = sizeof(info->achName) / sizeof(info->achName[0]);
    info->achName[0] = L'\0';
    if (pinName) {
        wcsncpy(info->achName, pinName.get(), capacity - 1);
        info->achName[capacity - 1] = L'\0';
    }
    info->dir = direction;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinBase::QueryDirection(PIN_DIRECTION* directionOut)
{
    if (!directionOut) {
        return E_POINTER;
    }
    *directionOut = direction;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinBase::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (!type) {
        return E_POINTER;
    }
    if (FAILED(CheckFormatBlock(type))) {
        return S_FALSE;
    }
    const HRESULT hr = CheckType(type);
    return FAILED(hr) ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE PinBase::EnumMediaTypes(IEnumMediaTypes** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    const ComPtr<MediaTypeEnumerator> enumerator = win::MakeComObject<MediaTypeEnumerator>(this, nullptr);
    return enumerator ? enumerator.CopyTo(out) : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE PinBase::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PinBase::EndOfStream()
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE PinBase::BeginFlush()
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE PinBase::EndFlush()
{
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE PinBase::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    segmentStart = start;
    segmentStop = stop;
    segmentRate = rate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinBase::Notify(IBaseFilter* /*sender*/, Quality /*quality*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PinBase::SetSink(IQualityControl* sink)
{
    win::LockGuard guard(*pinLock);
    qualitySink = sink;
    return S_OK;
}

int PinBase::TypeListVersion()
{
    return typeListVersion;
}

HRESULT PinBase::GoActive()
{
    return S_OK;
}

HRESULT PinBase::GoInactive()
{
    return S_OK;
}

HRESULT PinBase::OnRun(REFERENCE_TIME /*start*/)
{
    return S_OK;
}

HRESULT PinBase::SetConnectionType(const AM_MEDIA_TYPE* type)
{
    return connectionType.Assign(*type);
}

HRESULT PinBase::CheckPeer(IPin* peer)
{
    PIN_DIRECTION peerDirection = direction;
    peer->QueryDirection(&peerDirection);
    return peerDirection == direction ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT PinBase::ReleasePeer()
{
    return S_OK;
}

HRESULT PinBase::FinishConnect(IPin* /*peer*/)
{
    return S_OK;
}

// The pin half of the filter-graph machinery: IPin and IQualityControl on top
// of UnknownBase: connection and media type negotiation, disconnection, pin
// information and segment bookkeeping.
//
// Lifetime: a pin's references are its filter's (InnerAddRef/InnerRelease go
// to the filter's IBaseFilter), so a pin lives exactly as long as its filter,
// which destroys it directly.
//
// Threading: Connect, ReceiveConnection, Disconnect, ConnectionMediaType and
// SetSink hold pinLock, which is the filter's state lock, so connections
// change only while no state change runs, and only while the filter is
// stopped. ConnectedTo, QueryPinInfo and the segment notifications take no
// lock.
//
// Types from callers and peers: Connect (a given type or pattern),
// ReceiveConnection, QueryAccept and each type a peer lists are checked with
// CheckFormatBlock before anything reads their block; a type claiming a block
// it lacks gives E_POINTER (S_FALSE from QueryAccept; a listed one does not
// fit). What the block holds is the derived pin's CheckType to validate.
//
// Ownership: connectedPin holds a reference on the peer while connected;
// connectionType owns its format block; pinName is the pin's copy of its name.
#pragma once

#include <strmif.h>
#include <wrl/client.h>

#include "framework/MediaTypeRecord.h"
#include "framework/UnknownBase.h"
#include "win/Lock.h"
#include "win/TaskMemory.h"

class FilterBase;

class PinBase : public UnknownBase, public IPin, public IQualityControl {
public:
    // pinLock (the filter's state lock) and filter are not owned; the name is
    // copied.
    PinBase(const wchar_t* objectName, FilterBase* filter, win::Lock* pinLock, const wchar_t* pinName,
            PIN_DIRECTION direction);
    ~PinBase() override;

    FORWARD_IUNKNOWN_TO_OWNER

    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;
    // References on a pin are references on its filter.
    ULONG STDMETHODCALLTYPE InnerAddRef() override;
    ULONG STDMETHODCALLTYPE InnerRelease() override;

    // IPin (QueryId is the derived pin's)
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** peer) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* directionOut) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** out) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IQualityControl
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

    // Version of the type list, read by the media type enumerator.
    virtual int TypeListVersion();
    // The filter leaves State_Stopped / stops. Default: nothing.
    virtual HRESULT GoActive();
    virtual HRESULT GoInactive();
    // The filter runs from start. Default: nothing.
    virtual HRESULT OnRun(REFERENCE_TIME start);
    // S_OK when the pin accepts the type.
    virtual HRESULT CheckType(const AM_MEDIA_TYPE* type) = 0;
    // Records the agreed type in connectionType.
    virtual HRESULT SetConnectionType(const AM_MEDIA_TYPE* type);
    // Refuses a peer of the same direction.
    virtual HRESULT CheckPeer(IPin* peer);
    // Undoes what CheckPeer and FinishConnect set up. Default: nothing.
    virtual HRESULT ReleasePeer();
    // Last step of a connection. Default: nothing.
    virtual HRESULT FinishConnect(IPin* peer);
    // The pin's preferred types by position: S_OK, or VFW_S_NO_MORE_ITEMS
    // past the end.
    virtual HRESULT GetMediaType(int position, MediaTypeRecord* type) = 0;

    // Breaks the connection (ReleasePeer, then drops the peer); S_FALSE when
    // not connected. A failing ReleasePeer leaves the connection in place.
    HRESULT DropConnection();

    bool IsConnected() const { return connectedPin != nullptr; }
    IPin* Pin() { return static_cast<IPin*>(this); }
    FilterBase* Filter() const { return filter; }

protected:
    // Connection steps, all run under pinLock.
    HRESULT NegotiateType(IPin* receivePin, const AM_MEDIA_TYPE* type);
    HRESULT TryTypeList(IPin* receivePin, const AM_MEDIA_TYPE* pattern, IEnumMediaTypes* types);
    // Connects with one type; a failure leaves the pin unconnected.
    HRESULT TryConnection(IPin* receivePin, const AM_MEDIA_TYPE* type);
    // The steps of the connecting side (TryConnection) and of the receiving
    // side (ReceiveConnection); their callers undo them on failure.
    HRESULT ConnectWith(IPin* receivePin, const AM_MEDIA_TYPE* type);
    HRESULT AcceptConnection(IPin* connector, const AM_MEDIA_TYPE* type);
    // The steps both sides of a connection take: CheckPeer, CheckType (a
    // refusal as a connection result), then peer and type recorded.
    HRESULT TakePeer(IPin* peer, const AM_MEDIA_TYPE* type);
    // Undoes TakePeer and what followed it (ReleasePeer, peer dropped).
    void UndoPeer();

    bool FilterIsStopped() const;
    // VFW_E_ALREADY_CONNECTED, VFW_E_NOT_STOPPED, or S_OK when a connection
    // may be made. Caller holds pinLock.
    HRESULT CanConnect() const;

    win::TaskMemoryPtr<wchar_t> pinName;
    Microsoft::WRL::ComPtr<IPin> connectedPin;
    const PIN_DIRECTION direction;
    win::Lock* const pinLock;
    FilterBase* const filter;          // owner, no reference
    IQualityControl* qualitySink = nullptr; // no reference
    int typeListVersion = 1;
    MediaTypeRecord connectionType;
    REFERENCE_TIME segmentStart = 0;
    REFERENCE_TIME segmentStop = 0x7FFFFFFFFFFFFFFFLL;
    double segmentRate = 1.0;
};

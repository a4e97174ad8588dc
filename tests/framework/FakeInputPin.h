// A scriptable downstream input pin (IPin + IMemInputPin). Its references are counted (References()), so a test
// can check that the pin under test gave back every reference it took.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <vector>

#include "framework/MediaTypeRecord.h"
#include "tests/support/CountingUnknown.h"

class FakeInputPin final : public CountedComObject<IPin, IMemInputPin> {
public:
    // Script.
    PIN_DIRECTION direction = PINDIR_INPUT;
    bool exposeMemInputPin = true;
    std::vector<MediaTypeRecord> offeredTypes;
    HRESULT receiveConnectionResult = S_OK, queryAcceptResult = S_OK;
    ALLOCATOR_PROPERTIES requirements = {};
    Microsoft::WRL::ComPtr<IMemAllocator> offeredAllocator; // null: GetAllocator fails
    HRESULT notifyAllocatorResult = S_OK;
    volatile HRESULT receiveResult = S_OK;

    // What happened.
    std::vector<MediaTypeRecord> receivedTypes; // every ReceiveConnection, in order
    Microsoft::WRL::ComPtr<IPin> connectedTo;
    Microsoft::WRL::ComPtr<IMemAllocator> notifiedAllocator;
    volatile LONG samplesReceived = 0;
    volatile LONG endOfStreams = 0;

    // Refuses IMemInputPin unless exposeMemInputPin.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* out) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return queryAcceptResult; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** out) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IMemInputPin
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** out) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, WINBOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }
};

// A video type of the given subtype, with an 88-byte format block whose first byte is marker.
MediaTypeRecord MakeVideoType(const GUID& subtype, BYTE marker);

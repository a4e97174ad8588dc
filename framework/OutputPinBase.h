// An output pin that pushes samples: the peer's IMemInputPin, the choice of a
// sample allocator, getting empty samples and delivering full ones, and
// forwarding end-of-stream, flush and segment notifications downstream.
//
// Threading: connection steps run under the pin lock (PinBase).
// GetEmptySample, SendSample and the Send* notifications run on the streaming
// thread without a lock; inputPin and allocator change only while the filter
// is stopped and no worker runs. GoInactive decommits the allocator, which
// makes a GetEmptySample blocked for want of a free buffer fail at once.
//
// Ownership: inputPin and allocator hold references exactly while connected.
#pragma once

#include "framework/PinBase.h"

class OutputPinBase : public PinBase {
public:
    OutputPinBase(const wchar_t* objectName, FilterBase* filter, win::Lock* pinLock, const wchar_t* pinName);

    // Commits / decommits the allocator; VFW_E_NO_ALLOCATOR without one.
    HRESULT GoActive() override;
    HRESULT GoInactive() override;
    // An output pin makes its connections (Connect) and never receives one:
    // E_POINTER for a missing argument, else VFW_E_INVALID_DIRECTION, with
    // nothing of the type read.
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    // The direction check, then the peer's IMemInputPin.
    HRESULT CheckPeer(IPin* peer) override;
    // Decommits and drops the allocator (a failed Decommit is returned and
    // nothing is released), then drops the peer's IMemInputPin.
    HRESULT ReleasePeer() override;
    // Chooses the allocator.
    HRESULT FinishConnect(IPin* peer) override;

    // The peer's allocator if it takes our sizes, else one of our own; both
    // sized by SizeBuffers from the peer's requirements (alignment 0 becomes 1).
    virtual HRESULT ChooseAllocator(IMemInputPin* peer, IMemAllocator** chosen);
    // Sets the allocator's properties for this pin's samples; request holds
    // the peer's requirements on entry.
    virtual HRESULT SizeBuffers(IMemAllocator* allocatorToSize, ALLOCATOR_PROPERTIES* request) = 0;
    // An empty sample from the allocator (blocks until one is free);
    // E_NOINTERFACE without an allocator.
    virtual HRESULT GetEmptySample(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags);
    // Hands a sample to the peer's Receive; VFW_E_NOT_CONNECTED when unconnected.
    virtual HRESULT SendSample(IMediaSample* sample);
    // Creates the platform's memory allocator (CLSID_MemoryAllocator).
    virtual HRESULT CreateOwnAllocator(IMemAllocator** created);
    // Forwarded to the connected pin; VFW_E_NOT_CONNECTED when unconnected.
    virtual HRESULT SendEndOfStream();
    virtual HRESULT SendBeginFlush();
    virtual HRESULT SendEndFlush();
    virtual HRESULT SendNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    IMemAllocator* Allocator() const { return allocator.Get(); }

protected:
    // Sizes candidate's buffers and offers it to the peer (NotifyAllocator).
    HRESULT OfferAllocator(IMemInputPin* peer, IMemAllocator* candidate, ALLOCATOR_PROPERTIES* request);

    Microsoft::WRL::ComPtr<IMemAllocator> allocator;
    Microsoft::WRL::ComPtr<IMemInputPin> inputPin;
};

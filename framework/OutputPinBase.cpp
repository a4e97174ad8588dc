#include "framework/OutputPinBase.h"

#include <dshow.h>

#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

OutputPinBase::OutputPinBase(const wchar_t* objectName, FilterBase* filter, win::Lock* pinLock,
                             const wchar_t* pinName)
    : PinBase(objectName, filter, pinLock, pinName, PINDIR_OUTPUT)
{
}

HRESULT OutputPinBase::GoActive()
{
    return allocator ? allocator->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT OutputPinBase::GoInactive()
{
    return allocator ? allocator->Decommit() : VFW_E_NO_ALLOCATOR;
}

HRESULT STDMETHODCALLTYPE OutputPinBase::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    if (!connector || !type) {
        return E_POINTER;
    }
    // Data leaves an output pin through connections it made itself; a pin
    // asking it to receive one has the roles the wrong way round.
    return VFW_E_INVALID_DIRECTION;
}

HRESULT OutputPinBase::CheckPeer(IPin* peer)
{
    RETURN_IF_FAILED(PinBase::CheckPeer(peer));
    RETURN_IF_FAILED(peer->QueryInterface(IID_PPV_ARGS(inputPin.ReleaseAndGetAddressOf())));
    return S_OK;
}

HRESULT OutputPinBase::ReleasePeer()
{
    if (allocator) {
        RETURN_IF_FAILED(allocator->Decommit());
        allocator.Reset();
    }
    inputPin.Reset();
    return S_OK;
}

HRESULT OutputPinBase::FinishConnect(IPin* /*peer*/)
{
    return ChooseAllocator(inputPin.Get(), allocator.ReleaseAndGetAddressOf());
}

HRESULT OutputPinBase::ChooseAllocator(IMemInputPin* peer, IMemAllocator** chosen)
{
    *chosen = nullptr;
    ALLOCATOR_PROPERTIES request = {};
    peer->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0) {
        request.cbAlign = 1;
    }

    // First choice: the peer's own allocator, if it takes our sizes.
    ComPtr<IMemAllocator> candidate;
    if (SUCCEEDED(peer->GetAllocator(candidate.GetAddressOf())) && candidate &&
        SUCCEEDED(OfferAllocator(peer, candidate.Get(), &request))) {
        return candidate.CopyTo(chosen);
    }

    // Second choice: an allocator of our own.
    RETURN_IF_FAILED(CreateOwnAllocator(candidate.ReleaseAndGetAddressOf()));
    if (!candidate) {
        return E_FAIL;
    }
    RETURN_IF_FAILED(OfferAllocator(peer, candidate.Get(), &request));
    return candidate.CopyTo(chosen);
}

HRESULT OutputPinBase::OfferAllocator(IMemInputPin* peer, IMemAllocator* candidate, ALLOCATOR_PROPERTIES* request)
{
    RETURN_IF_FAILED(SizeBuffers(candidate, request));
    return peer->NotifyAllocator(candidate, FALSE);
}

HRESULT OutputPinBase::GetEmptySample(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                                      DWORD flags)
{
    if (!allocator) {
        return E_NOINTERFACE;
    }
    return allocator->GetBuffer(sample, start, end, flags);
}

HRESULT OutputPinBase::SendSample(IMediaSample* sample)
{
    if (!inputPin) {
        return VFW_E_NOT_CONNECTED;
    }
    return inputPin->Receive(sample);
}

HRESULT OutputPinBase::CreateOwnAllocator(IMemAllocator** created)
{
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(created));
}

HRESULT OutputPinBase::SendEndOfStream()
{
    return connectedPin ? connectedPin->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPinBase::SendBeginFlush()
{
    return connectedPin ? connectedPin->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPinBase::SendEndFlush()
{
    return connectedPin ? connectedPin->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT OutputPinBase::SendNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return connectedPin ? connectedPin->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}

#include "framework/OutputPinBase.h"

#include <dshow.h>

using Microsoft::WRL::ComPtr;

OutputPinBase::OutputPinBase(const wchar_t* objectName, FilterBase* filter, RecursiveLock* pinLock,
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

HRESULT OutputPinBase::CheckPeer(IPin* peer)
{
    HRESULT hr = PinBase::CheckPeer(peer);
    if (FAILED(hr)) {
        return hr;
    }
    hr = peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(inputPin.ReleaseAndGetAddressOf()));
    return FAILED(hr) ? hr : S_OK;
}

HRESULT OutputPinBase::ReleasePeer()
{
    if (allocator) {
        const HRESULT hr = allocator->Decommit();
        if (FAILED(hr)) {
            return hr;
        }
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
    HRESULT hr = peer->GetAllocator(candidate.GetAddressOf());
    if (SUCCEEDED(hr) && candidate) {
        hr = SizeBuffers(candidate.Get(), &request);
        if (SUCCEEDED(hr)) {
            hr = peer->NotifyAllocator(candidate.Get(), FALSE);
        }
        if (SUCCEEDED(hr)) {
            *chosen = candidate.Detach();
            return S_OK;
        }
    }
    candidate.Reset();

    // Second choice: an allocator of our own.
    hr = CreateOwnAllocator(candidate.GetAddressOf());
    if (SUCCEEDED(hr) && candidate) {
        hr = SizeBuffers(candidate.Get(), &request);
        if (SUCCEEDED(hr)) {
            hr = peer->NotifyAllocator(candidate.Get(), FALSE);
        }
        if (SUCCEEDED(hr)) {
            *chosen = candidate.Detach();
            return S_OK;
        }
    }
    return FAILED(hr) ? hr : E_FAIL;
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

#include "framework/PinEnumerator.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <new>

#include "framework/FilterBase.h"
#include "framework/PinBase.h"

PinEnumerator::PinEnumerator(FilterBase* filter, const PinEnumerator* copyFrom)
    : filter(filter), filterHold(filter->BaseFilter())
{
    if (copyFrom) {
        position = copyFrom->position;
        pinCount = copyFrom->pinCount;
        version = copyFrom->version;
        try {
            handedOut = copyFrom->handedOut;
        } catch (const std::bad_alloc&) {
            valid = false;
        }
    } else {
        version = filter->PinListVersion();
        pinCount = filter->PinCount();
    }
}

bool PinEnumerator::OutOfSync() const
{
    return filter->PinListVersion() != version;
}

bool PinEnumerator::WasHandedOut(IPin* pin) const
{
    return std::find(handedOut.begin(), handedOut.end(), pin) != handedOut.end();
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    if (!pins) {
        return E_POINTER;
    }
    if (fetched) {
        *fetched = 0;
    } else if (count > 1) {
        return E_INVALIDARG;
    }
    if (OutOfSync()) {
        // Start again over the new list, but keep handedOut so that pins the
        // caller already has are not returned twice.
        version = filter->PinListVersion();
        pinCount = filter->PinCount();
        position = 0;
    }
    ULONG wanted = std::min<ULONG>(static_cast<ULONG>(pinCount - position), count);
    if (wanted == 0) {
        return S_FALSE;
    }
    // The pins are stored without references first (the filter, which this
    // enumerator holds, keeps them alive), so that a failure hands out nothing.
    ULONG stored = 0;
    while (position != pinCount && wanted > 0) {
        PinBase* pinBase = filter->PinAt(position);
        ++position;
        if (!pinBase) {
            // The list shrank under us. The caller ignores the array on
            // failure: forget what this call stored.
            handedOut.resize(handedOut.size() - stored);
            std::fill(pins, pins + stored, nullptr);
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        IPin* pin = pinBase->Pin();
        if (WasHandedOut(pin)) {
            continue;
        }
        try {
            handedOut.push_back(pin);
        } catch (const std::bad_alloc&) {
            break; // hand out what was stored so far
        }
        pins[stored++] = pin;
        --wanted;
    }
    for (ULONG i = 0; i < stored; ++i) {
        pins[i]->AddRef(); // the caller's reference on each pin handed out
    }
    if (fetched) {
        *fetched = stored;
    }
    return stored == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Skip(ULONG count)
{
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    if (count > static_cast<ULONG>(pinCount - position)) {
        return S_FALSE;
    }
    position += static_cast<int>(count);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Reset()
{
    version = filter->PinListVersion();
    pinCount = filter->PinCount();
    position = 0;
    handedOut.clear();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PinEnumerator::Clone(IEnumPins** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    const Microsoft::WRL::ComPtr<PinEnumerator> copy = win::MakeComObject<PinEnumerator>(filter, this);
    if (!copy || !copy->Valid()) {
        return E_OUTOFMEMORY;
    }
    return copy.CopyTo(out);
}

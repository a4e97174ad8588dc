// IEnumPins over a FilterBase's pins.
//
// The enumerator holds a reference on its filter and notices a changed pin
// list through the filter's PinListVersion. Pins already handed out by Next
// are remembered (by identity) and not handed out again after Next refreshes
// an out-of-sync enumerator; Reset forgets them.
//
// A small COM object (win::ComObject, made with win::MakeComObject); it does
// not count in liveObjectCount. Not thread-safe: one user at a time, as usual
// for enumerators; it takes no filter lock (PinAt takes the state lock itself).
#pragma once

#include <strmif.h>
#include <wrl/client.h>

#include <vector>

#include "win/ComObject.h"

class FilterBase;

class PinEnumerator final : public win::ComObject<IEnumPins> {
public:
    // A fresh enumerator over filter, or (copyFrom given) a copy of another
    // one over the same filter.
    PinEnumerator(FilterBase* filter, const PinEnumerator* copyFrom);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** out) override;

    // False when the copy of the handed-out list could not be made.
    bool Valid() const { return valid; }

private:
    bool OutOfSync() const;
    bool WasHandedOut(IPin* pin) const;

    FilterBase* const filter;
    const Microsoft::WRL::ComPtr<IBaseFilter> filterHold; // keeps filter alive
    int position = 0;
    int pinCount = 0;
    int version = 0;
    std::vector<IPin*> handedOut; // identities only, no references
    bool valid = true;
};

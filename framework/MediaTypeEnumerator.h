// IEnumMediaTypes over a pin's preferred media types (PinBase::GetMediaType
// by position).
//
// The enumerator holds a reference on the pin (which is a reference on its
// filter) and notices a changed type list through the pin's TypeListVersion.
// Each type it returns is a new AM_MEDIA_TYPE in task memory that the caller
// frees with DeleteType.
//
// A small COM object (win::ComObject, made with win::MakeComObject); it does
// not count in liveObjectCount. It takes no lock itself; GetMediaType takes
// whatever lock the pin needs.
#pragma once

#include <strmif.h>
#include <wrl/client.h>

#include "win/ComObject.h"

class PinBase;

class MediaTypeEnumerator final : public win::ComObject<IEnumMediaTypes> {
public:
    // A fresh enumerator over pin, or (copyFrom given) a copy of another one
    // over the same pin.
    MediaTypeEnumerator(PinBase* pin, const MediaTypeEnumerator* copyFrom);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** out) override;

private:
    bool OutOfSync() const;

    PinBase* const pin;
    const Microsoft::WRL::ComPtr<IPin> pinHold; // keeps pin (and its filter) alive
    int position = 0;
    int version = 0;
};

#include "framework/MediaTypeEnumerator.h"

#include <vfwmsgs.h>

#include "framework/MediaTypeRecord.h"
#include "framework/PinBase.h"

MediaTypeEnumerator::MediaTypeEnumerator(PinBase* pin, const MediaTypeEnumerator* copyFrom)
    : pin(pin), pinHold(pin->Pin())
{
    if (copyFrom) {
        position = copyFrom->position;
        version = copyFrom->version;
    } else {
        version = pin->TypeListVersion();
    }
}

bool MediaTypeEnumerator::OutOfSync() const
{
    return pin->TypeListVersion() != version;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched)
{
    if (!types) {
        return E_POINTER;
    }
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    if (fetched) {
        *fetched = 0;
    } else if (count > 1) {
        return E_INVALIDARG;
    }
    ULONG delivered = 0;
    while (delivered < count) {
        MediaTypeRecord type;
        const HRESULT hr = pin->GetMediaType(position++, &type);
        if (hr != S_OK) {
            break;
        }
        // Hand the record's block over instead of copying it.
        AM_MEDIA_TYPE* handed = type.DetachToTaskMemory();
        if (!handed) {
            break;
        }
        types[delivered++] = handed;
    }
    if (fetched) {
        *fetched = delivered;
    }
    return delivered == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Skip(ULONG count)
{
    if (count == 0) {
        return S_OK;
    }
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    position += static_cast<int>(count);
    MediaTypeRecord type;
    return pin->GetMediaType(position - 1, &type) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Reset()
{
    position = 0;
    version = pin->TypeListVersion();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MediaTypeEnumerator::Clone(IEnumMediaTypes** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    const Microsoft::WRL::ComPtr<MediaTypeEnumerator> copy = win::MakeComObject<MediaTypeEnumerator>(pin, this);
    return copy ? copy.CopyTo(out) : E_OUTOFMEMORY;
}

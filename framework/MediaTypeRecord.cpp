#include "framework/MediaTypeRecord.h"

#include <cstring>

#include "win/TaskMemory.h"

using win::AllocateTaskMemory;
using win::TaskMemoryPtr;

HRESULT CopyTypeInto(AM_MEDIA_TYPE* destination, const AM_MEDIA_TYPE* source)
{
    *destination = *source;
    // A pointer without a size is not a block: the copy owns none (and never
    // hands the source's pointer on as its own).
    destination->pbFormat = nullptr;
    if (source->cbFormat != 0 && !source->pbFormat) {
        // A size without a block: nothing to copy from.
        destination->cbFormat = 0;
        destination->pUnk = nullptr;
        return E_POINTER;
    }
    if (source->cbFormat != 0) {
        destination->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!destination->pbFormat) {
            // No reference was taken on pUnk either: the failed copy owns nothing.
            destination->cbFormat = 0;
            destination->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(destination->pbFormat, source->pbFormat, source->cbFormat);
    }
    if (destination->pUnk) {
        // The copy's own reference, released by FreeTypeContents.
        destination->pUnk->AddRef();
    }
    return S_OK;
}

HRESULT CheckFormatBlock(const AM_MEDIA_TYPE* type)
{
    if (!type || (type->cbFormat != 0 && !type->pbFormat)) {
        return E_POINTER;
    }
    return S_OK;
}

AM_MEDIA_TYPE* CloneType(const AM_MEDIA_TYPE* source)
{
    TaskMemoryPtr<AM_MEDIA_TYPE> clone = AllocateTaskMemory<AM_MEDIA_TYPE>();
    if (!clone || FAILED(CopyTypeInto(clone.get(), source))) {
        return nullptr;
    }
    return clone.release();
}

void ResetType(AM_MEDIA_TYPE* type)
{
    std::memset(type, 0, sizeof(*type));
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = 1;
}

HRESULT Assign(AM_MEDIA_TYPE* destination, const AM_MEDIA_TYPE* source)
{
    if (destination == source) {
        return S_OK;
    }
    FreeTypeContents(destination);
    return CopyTypeInto(destination, source);
}

namespace {
bool SameFormatBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b)
{
    if (a.cbFormat != b.cbFormat) {
        return false;
    }
    if (a.cbFormat == 0) {
        return true;
    }
    // A claimed block that is missing matches nothing.
    return a.pbFormat && b.pbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}
} // namespace

bool SameType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b)
{
    return IsEqualGUID(a.majortype, b.majortype) && IsEqualGUID(a.subtype, b.subtype) &&
           IsEqualGUID(a.formattype, b.formattype) && SameFormatBlock(a, b);
}

bool MatchesPattern(const AM_MEDIA_TYPE& type, const AM_MEDIA_TYPE& pattern)
{
    if (!IsEqualGUID(pattern.majortype, GUID_NULL) && !IsEqualGUID(pattern.majortype, type.majortype)) {
        return false;
    }
    if (!IsEqualGUID(pattern.subtype, GUID_NULL) && !IsEqualGUID(pattern.subtype, type.subtype)) {
        return false;
    }
    if (!IsEqualGUID(pattern.formattype, GUID_NULL)) {
        return IsEqualGUID(pattern.formattype, type.formattype) && SameFormatBlock(pattern, type);
    }
    return true;
}

bool IsPartial(const AM_MEDIA_TYPE& type)
{
    return IsEqualGUID(type.majortype, GUID_NULL) || IsEqualGUID(type.formattype, GUID_NULL);
}

MediaTypeRecord::MediaTypeRecord(const AM_MEDIA_TYPE& source, HRESULT* result)
{
    const HRESULT hr = CopyTypeInto(this, &source);
    if (FAILED(hr) && result) {
        *result = hr;
    }
}

AM_MEDIA_TYPE* MediaTypeRecord::DetachToTaskMemory()
{
    TaskMemoryPtr<AM_MEDIA_TYPE> handed = AllocateTaskMemory<AM_MEDIA_TYPE>();
    if (!handed) {
        return nullptr;
    }
    std::memcpy(handed.get(), static_cast<AM_MEDIA_TYPE*>(this), sizeof(AM_MEDIA_TYPE));
    pbFormat = nullptr;
    cbFormat = 0;
    pUnk = nullptr;
    return handed.release();
}

// IEnumMediaTypes over a pin's preferred media types (PinBase::GetMediaType
// by position).
//
// The enumerator holds a reference on the pin (which is a reference on its
// filter) and notices a changed type list through the pin's TypeListVersion.
// Each type it returns is a new AM_MEDIA_TYPE in task memory that the caller
// frees with DeleteType.
//
// It has its own reference count (starting at 1 for the creator) and does not
// count in liveObjectCount. It takes no lock itself; GetMediaType takes
// whatever lock the pin needs.
#pragma once

#include <strmif.h>

class PinBase;

class MediaTypeEnumerator : public IEnumMediaTypes {
public:
    // A fresh enumerator over pin, or a copy of another one.
    MediaTypeEnumerator(PinBase* pin, const MediaTypeEnumerator* copyFrom);
    virtual ~MediaTypeEnumerator();
    MediaTypeEnumerator(const MediaTypeEnumerator&) = delete;
    MediaTypeEnumerator& operator=(const MediaTypeEnumerator&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** out) override;

private:
    bool OutOfSync() const;

    volatile LONG refCount = 1;
    PinBase* const pin; // reference held through its IPin
    int position = 0;
    int version = 0;
};

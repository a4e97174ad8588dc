#include "tests/framework/FakeInputPin.h"

#include <cstring>

using Microsoft::WRL::ComPtr;

namespace {

// IEnumMediaTypes over a copy of a list of types.
class TypeListEnumerator final : public win::ComObject<IEnumMediaTypes> {
public:
    explicit TypeListEnumerator(const std::vector<MediaTypeRecord>& types) : types(types) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) override
    {
        ULONG n = 0;
        while (n < count && position < types.size()) {
            out[n++] = CloneType(&types[position++]);
        }
        if (fetched) {
            *fetched = n;
        }
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        position += count;
        return position <= types.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

private:
    std::vector<MediaTypeRecord> types;
    size_t position = 0;
};

} // namespace

MediaTypeRecord MakeVideoType(const GUID& subtype, BYTE marker)
{
    MediaTypeRecord type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = subtype;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type.cbFormat));
    std::memset(type.pbFormat, 0, type.cbFormat);
    type.pbFormat[0] = marker;
    return type;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::QueryInterface(REFIID iid, void** out)
{
    if (!exposeMemInputPin && IsEqualIID(iid, IID_IMemInputPin)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    return ComObject::QueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE FakeInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    receivedTypes.emplace_back(*type);
    if (SUCCEEDED(receiveConnectionResult)) {
        connectedTo = connector;
    }
    return receiveConnectionResult;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::Disconnect()
{
    connectedTo.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::ConnectedTo(IPin** pin)
{
    connectedTo.CopyTo(pin);
    return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::QueryDirection(PIN_DIRECTION* out)
{
    *out = direction;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::EnumMediaTypes(IEnumMediaTypes** out)
{
    *out = nullptr;
    const ComPtr<TypeListEnumerator> enumerator = win::MakeComObject<TypeListEnumerator>(offeredTypes);
    return enumerator ? enumerator.CopyTo(out) : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::EndOfStream()
{
    InterlockedIncrement(&endOfStreams);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::GetAllocator(IMemAllocator** out)
{
    offeredAllocator.CopyTo(out);
    return *out ? S_OK : VFW_E_NO_ALLOCATOR;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::NotifyAllocator(IMemAllocator* allocator, WINBOOL /*readOnly*/)
{
    if (SUCCEEDED(notifyAllocatorResult)) {
        notifiedAllocator = allocator;
    }
    return notifyAllocatorResult;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props)
{
    *props = requirements;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::Receive(IMediaSample* /*sample*/)
{
    InterlockedIncrement(&samplesReceived);
    return receiveResult;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed)
{
    *processed = 0;
    for (LONG i = 0; i < count; ++i) {
        const HRESULT hr = Receive(samples[i]);
        if (hr != S_OK) {
            return hr;
        }
        ++*processed;
    }
    return S_OK;
}

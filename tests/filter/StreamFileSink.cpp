#include "tests/filter/StreamFileSink.h"

#include <shlwapi.h>

#include <cwchar>

StreamFileSinkPin::StreamFileSinkPin(StreamFileSink* sink)
    : PinBase(nullptr, sink, sink->FilterLock(), L"In", PINDIR_INPUT), sink(sink)
{
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::InnerQueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IMemInputPin)) {
        return HandOutInterface(static_cast<IMemInputPin*>(this), out);
    }
    if (IsEqualIID(iid, IID_IStream) && sink->File()) {
        return HandOutInterface(static_cast<IStream*>(this), out);
    }
    return PinBase::InnerQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::QueryId(LPWSTR* id)
{
    if (!id) {
        return E_POINTER;
    }
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(3 * sizeof(wchar_t)));
    if (!*id) {
        return E_OUTOFMEMORY;
    }
    wcscpy(*id, L"In");
    return S_OK;
}

HRESULT StreamFileSinkPin::CheckType(const AM_MEDIA_TYPE* type)
{
    return type && IsEqualGUID(type->majortype, MEDIATYPE_Stream) ? S_OK : S_FALSE;
}

HRESULT StreamFileSinkPin::GetMediaType(int /*position*/, MediaTypeRecord* /*type*/)
{
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::GetAllocator(IMemAllocator** allocator)
{
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(allocator));
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::NotifyAllocator(IMemAllocator* /*allocator*/, BOOL /*readOnly*/)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties)
{
    properties->cBuffers = 0;
    properties->cbBuffer = 0;
    properties->cbAlign = 1;
    properties->cbPrefix = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Receive(IMediaSample* sample)
{
    LONGLONG start = 0;
    LONGLONG end = 0;
    BYTE* data = nullptr;
    if (FAILED(sample->GetMediaTime(&start, &end)) || FAILED(sample->GetPointer(&data))) {
        return E_FAIL;
    }
    LARGE_INTEGER at;
    at.QuadPart = start;
    HRESULT hr = Seek(at, STREAM_SEEK_SET, nullptr);
    return SUCCEEDED(hr) ? Write(data, sample->GetActualDataLength(), nullptr) : hr;
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed)
{
    *processed = 0;
    for (; *processed < count; ++*processed) {
        const HRESULT hr = Receive(samples[*processed]);
        if (hr != S_OK) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Read(void* data, ULONG size, ULONG* read)
{
    return sink->File()->Read(data, size, read);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Write(const void* data, ULONG size, ULONG* written)
{
    return sink->File()->Write(data, size, written);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position)
{
    return sink->File()->Seek(move, origin, position);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::SetSize(ULARGE_INTEGER size)
{
    return sink->File()->SetSize(size);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                                    ULARGE_INTEGER* written)
{
    return sink->File()->CopyTo(target, size, read, written);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Commit(DWORD flags)
{
    return sink->File()->Commit(flags);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Revert()
{
    return sink->File()->Revert();
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type)
{
    return sink->File()->LockRegion(offset, size, type);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type)
{
    return sink->File()->UnlockRegion(offset, size, type);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Stat(STATSTG* stat, DWORD flags)
{
    return sink->File()->Stat(stat, flags);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::Clone(IStream** copy)
{
    return sink->File()->Clone(copy);
}

StreamFileSink::StreamFileSink(const std::string& path)
    : FilterBase(nullptr, nullptr, &lock, GUID_NULL), pin(this)
{
    const std::wstring widePath(path.begin(), path.end());
    SHCreateStreamOnFileEx(widePath.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_DENY_WRITE,
                           FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, file.GetAddressOf());
}

StreamFileSink::~StreamFileSink() = default;

HRESULT STDMETHODCALLTYPE StreamFileSink::FindPin(LPCWSTR id, IPin** found)
{
    if (!found) {
        return E_POINTER;
    }
    if (!id || wcscmp(id, L"In") != 0) {
        *found = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *found = pin.Pin();
    (*found)->AddRef();
    return S_OK;
}

PinBase* StreamFileSink::PinAt(int index)
{
    return index == 0 ? &pin : nullptr;
}

#include "tests/filter/StreamFileSink.h"

#include <shlwapi.h>

#include <cwchar>

#include "win/TaskMemory.h"

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
        return HandOutInterface(sink->File(), out);
    }
    return PinBase::InnerQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::QueryId(LPWSTR* id)
{
    *id = win::CopyToTaskMemory(L"In").release(); // the caller frees it
    return *id ? S_OK : E_OUTOFMEMORY;
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
    *allocator = nullptr;
    return VFW_E_NO_ALLOCATOR;
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties)
{
    // Wine's memory allocator refuses an alignment of 0.
    *properties = ALLOCATOR_PROPERTIES{0, 0, 1, 0};
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StreamFileSinkPin::ReceiveMultiple(IMediaSample**, long, long* processed)
{
    *processed = 0;
    return E_UNEXPECTED;
}

StreamFileSink::StreamFileSink(const std::string& path)
    : FilterBase(nullptr, nullptr, &lock, GUID_NULL), pin(this)
{
    const std::wstring widePath(path.begin(), path.end());
    SHCreateStreamOnFileEx(widePath.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_DENY_WRITE,
                           FILE_ATTRIBUTE_NORMAL, TRUE, nullptr, file.GetAddressOf());
}

HRESULT StreamFileSink::Create(const std::string& path, Microsoft::WRL::ComPtr<IBaseFilter>* filter)
{
    StreamFileSink* sink = new StreamFileSink(path);
    // The first reference, the caller's; it destroys the sink when it goes.
    sink->InnerQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter->ReleaseAndGetAddressOf()));
    return sink->File() ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE StreamFileSink::FindPin(LPCWSTR id, IPin** found)
{
    if (!found) {
        return E_POINTER;
    }
    *found = nullptr;
    if (!id || wcscmp(id, L"In") != 0) {
        return VFW_E_NOT_FOUND;
    }
    return Microsoft::WRL::ComPtr<IPin>(pin.Pin()).CopyTo(found);
}

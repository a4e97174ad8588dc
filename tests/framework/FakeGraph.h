// A stand-in for the filter graph in unit tests: it takes the filter's
// JoinFilterGraph and records the events posted to its IMediaEventSink (from
// any thread). Lives on the test's stack; its references are only counted.
#pragma once

#include <dshow.h>

#include <mutex>
#include <vector>

struct PostedEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

class FakeGraph : public IFilterGraph, public IMediaEventSink {
public:
    std::vector<PostedEvent> Events()
    {
        std::lock_guard<std::mutex> guard(lock);
        return events;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IFilterGraph)) {
            *out = static_cast<IFilterGraph*>(this);
        } else if (IsEqualIID(iid, IID_IMediaEventSink)) {
            *out = static_cast<IMediaEventSink*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refCount); }
    ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&refCount); }
    LONG References() const { return refCount; }

    HRESULT STDMETHODCALLTYPE Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override
    {
        std::lock_guard<std::mutex> guard(lock);
        events.push_back({code, param1, param2});
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }

private:
    volatile LONG refCount = 0;
    std::mutex lock;
    std::vector<PostedEvent> events;
};

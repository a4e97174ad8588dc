// A stand-in for the filter graph in unit tests: it takes the filter's JoinFilterGraph and records the events posted to
// its IMediaEventSink (from any thread). Made with win::MakeComObject; its references are counted (References()).
#pragma once

#include <dshow.h>

#include <mutex>
#include <vector>

#include "tests/support/CountingUnknown.h"

struct PostedEvent {
    long code;
    LONG_PTR param1, param2;
};

class FakeGraph final : public CountedComObject<IFilterGraph, IMediaEventSink> {
public:
    std::vector<PostedEvent> Events()
    {
        std::lock_guard<std::mutex> guard(lock);
        return events;
    }

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
    std::mutex lock;
    std::vector<PostedEvent> events;
};

// A test-only file sink for Wine's AVI mux: Wine 8's file writer offers no IStream on its input pin, so its mux
// fails Pause with E_NOTIMPL. This sink stands in at exactly that seam: its input pin accepts MEDIATYPE_Stream and
// hands out the file's own stream (which the mux only writes and seeks).
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "framework/FilterBase.h"
#include "framework/PinBase.h"

class StreamFileSink;

// The sink's one input pin. Its references are the sink's.
class StreamFileSinkPin : public PinBase, public IMemInputPin {
public:
    explicit StreamFileSinkPin(StreamFileSink* sink);

    FORWARD_IUNKNOWN_TO_OWNER

    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT CheckType(const AM_MEDIA_TYPE* type) override;
    HRESULT GetMediaType(int position, MediaTypeRecord* type) override;

    // IMemInputPin, for the connection: the mux delivers through IStream.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample**, long, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

private:
    StreamFileSink* const sink;
};

class StreamFileSink : public FilterBase {
public:
    // A new sink writing to path (created or truncated), held by *filter; E_FAIL when the file cannot be created.
    static HRESULT Create(const std::string& path, Microsoft::WRL::ComPtr<IBaseFilter>* filter);

    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    int PinCount() override { return 1; }
    PinBase* PinAt(int index) override { return index == 0 ? &pin : nullptr; }

    IStream* File() const { return file.Get(); }

private:
    explicit StreamFileSink(const std::string& path);

    win::Lock lock;
    Microsoft::WRL::ComPtr<IStream> file;
    StreamFileSinkPin pin;
};

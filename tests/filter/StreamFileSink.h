// A test-only file sink for Wine's AVI mux. On Windows the platform's file
// writer offers IStream on its input pin and the AVI mux writes the file
// through it; Wine 8's file writer offers no IStream, its mux then fails
// Pause with E_NOTIMPL, and its capture graph builder's SetOutputFileName is
// not implemented. This sink stands in for the file writer at exactly that
// seam: its input pin accepts MEDIATYPE_Stream and hands out an IStream on the
// file (and writes delivered samples at their byte positions, as the file
// writer does). Built on the framework's filter and pin bases.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "framework/FilterBase.h"
#include "framework/PinBase.h"

class StreamFileSink;

// The sink's one input pin. Its references are the sink's.
class StreamFileSinkPin : public PinBase, public IMemInputPin, public IStream {
public:
    explicit StreamFileSinkPin(StreamFileSink* sink);

    FORWARD_IUNKNOWN_TO_OWNER

    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT CheckType(const AM_MEDIA_TYPE* type) override;
    HRESULT GetMediaType(int position, MediaTypeRecord* type) override;

    // IMemInputPin: samples are written at their media times (byte offsets).
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

    // IStream: forwarded to the file's stream.
    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override;

private:
    StreamFileSink* const sink;
};

class StreamFileSink : public FilterBase {
public:
    // Creates (truncates) the file; the object starts with no reference.
    explicit StreamFileSink(const std::string& path);
    ~StreamFileSink() override;

    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    int PinCount() override { return 1; }
    PinBase* PinAt(int index) override;

    // The file's stream, or null when it could not be created.
    IStream* File() const { return file.Get(); }

private:
    RecursiveLock lock;
    Microsoft::WRL::ComPtr<IStream> file;
    StreamFileSinkPin pin;
};

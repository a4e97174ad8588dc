// An allocator for the buffer-sizing tests: records the request and grants
// what it is told to (fewer or smaller buffers, or a failure). Made with
// win::MakeComObject.
#pragma once

#include <dshow.h>

#include "win/ComObject.h"

class ScriptedAllocator final : public win::ComObject<IMemAllocator> {
public:
    HRESULT result = S_OK;
    long grantedBuffers = -1; // -1: as asked
    long grantedSize = -1;    // -1: as asked
    ALLOCATOR_PROPERTIES asked = {};

    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override
    {
        asked = *request;
        if (FAILED(result)) {
            return result;
        }
        *actual = *request;
        actual->cBuffers = grantedBuffers >= 0 ? grantedBuffers : request->cBuffers;
        actual->cbBuffer = grantedSize >= 0 ? grantedSize : request->cbBuffer;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* props) override
    {
        *props = asked;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Decommit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override
    {
        *sample = nullptr;
        return VFW_E_NOT_COMMITTED;
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample*) override { return S_OK; }
};

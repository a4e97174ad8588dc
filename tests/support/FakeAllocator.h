// A sample allocator a test scripts: it records the properties asked of it and can refuse them or grant fewer or
// smaller buffers, and its Decommit can fail (leaving it committed). It has no buffers: GetBuffer always fails. Made
// with win::MakeComObject; its references are counted (References()).
#pragma once

#include <dshow.h>

#include "tests/support/CountingUnknown.h"

class FakeAllocator final : public CountedComObject<IMemAllocator> {
public:
    HRESULT setPropertiesResult = S_OK;
    LONG grantedBuffers = -1;    // -1: grant what was asked
    LONG grantedBufferSize = -1; // -1: grant what was asked
    ALLOCATOR_PROPERTIES asked = {};
    int setPropertiesCalls = 0;
    HRESULT decommitResult = S_OK;
    int commits = 0, decommits = 0;
    bool committed = false;

    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override
    {
        ++setPropertiesCalls;
        asked = *request;
        if (FAILED(setPropertiesResult)) {
            return setPropertiesResult;
        }
        *actual = *request;
        if (grantedBuffers >= 0) {
            actual->cBuffers = grantedBuffers;
        }
        if (grantedBufferSize >= 0) {
            actual->cbBuffer = grantedBufferSize;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* props) override
    {
        *props = asked;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit() override
    {
        ++commits;
        committed = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Decommit() override
    {
        ++decommits;
        if (FAILED(decommitResult)) {
            return decommitResult;
        }
        committed = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override
    {
        *sample = nullptr;
        return VFW_E_NOT_COMMITTED;
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample*) override { return S_OK; }
};

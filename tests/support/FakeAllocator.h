// A scriptable sample allocator for the allocator-choice and streaming fault
// tests: it records the properties asked of it and can refuse them or grant
// smaller buffers, and its Decommit can fail (leaving it committed). It has
// no buffers: GetBuffer always fails. Made with win::MakeComObject; its
// references are counted (References()). Commit and Decommit come from the
// thread that holds the filter's state lock.
#pragma once

#include <dshow.h>

#include "tests/framework/CountingUnknown.h"

class FakeAllocator final : public CountedComObject<IMemAllocator> {
public:
    HRESULT setPropertiesResult = S_OK;
    LONG grantedBufferSize = -1; // -1: grant what was asked
    ALLOCATOR_PROPERTIES asked = {};
    int setPropertiesCalls = 0;
    HRESULT decommitResult = S_OK;
    int commits = 0;
    int decommits = 0;
    bool committed = false;

    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override
    {
        ++setPropertiesCalls;
        asked = *request;
        if (FAILED(setPropertiesResult)) {
            return setPropertiesResult;
        }
        *actual = *request;
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

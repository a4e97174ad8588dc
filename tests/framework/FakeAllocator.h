// A scriptable sample allocator for the allocator-choice tests: it records
// the properties asked of it and can refuse them or grant smaller buffers.
// Made with win::MakeComObject; its references are counted (References()).
#pragma once

#include <dshow.h>

#include "tests/framework/CountingUnknown.h"

class FakeAllocator final : public CountedComObject<IMemAllocator> {
public:
    HRESULT setPropertiesResult = S_OK;
    LONG grantedBufferSize = -1; // -1: grant what was asked
    ALLOCATOR_PROPERTIES asked = {};
    int setPropertiesCalls = 0;
    int commits = 0;
    int decommits = 0;

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
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Decommit() override
    {
        ++decommits;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) override
    {
        *sample = nullptr;
        return VFW_E_NOT_COMMITTED;
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample*) override { return S_OK; }
};

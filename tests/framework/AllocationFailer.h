// Makes chosen task-memory allocations (CoTaskMemAlloc) fail, through the COM
// runtime's own hook for watching the task allocator (IMallocSpy). While an
// AllocationFailer lives, every allocation of exactly failSize bytes returns
// null; other allocations pass through.
#pragma once

#include <objidl.h>

class AllocationFailer : public IMallocSpy {
public:
    explicit AllocationFailer(SIZE_T failSize);
    ~AllocationFailer();
    AllocationFailer(const AllocationFailer&) = delete;
    AllocationFailer& operator=(const AllocationFailer&) = delete;

    bool Registered() const { return registered; }
    int FailedCount() const { return failed; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override;
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override { return request; }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    SIZE_T failSize;
    bool registered = false;
    volatile LONG failed = 0;
};

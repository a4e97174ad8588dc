#include "tests/framework/AllocationFailer.h"

#include <objbase.h>

#include "win/ComObject.h"

// The spy COM calls around every task allocator call.
class AllocationFailer::Spy final : public win::ComObject<IMallocSpy> {
public:
    explicit Spy(SIZE_T failSize) : failSize(failSize) {}

    volatile LONG failed = 0;

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T request) override
    {
        if (request == failSize) {
            InterlockedIncrement(&failed);
            return 0; // a zero size from the spy makes the allocation fail
        }
        return request;
    }
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
    const SIZE_T failSize;
};

AllocationFailer::AllocationFailer(SIZE_T failSize) : spy(win::MakeComObject<Spy>(failSize))
{
    registered = spy && SUCCEEDED(CoRegisterMallocSpy(spy.Get()));
}

AllocationFailer::~AllocationFailer()
{
    if (registered) {
        CoRevokeMallocSpy();
    }
}

int AllocationFailer::FailedCount() const
{
    return spy ? spy->failed : 0;
}

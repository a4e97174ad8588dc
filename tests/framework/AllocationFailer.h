// Makes chosen task-memory allocations (CoTaskMemAlloc) fail, through the COM runtime's own hook for watching the task
// allocator (IMallocSpy). While an AllocationFailer lives, every allocation of exactly failSize bytes returns null;
// other allocations pass through.
#pragma once

#include <objidl.h>
#include <wrl/client.h>

class AllocationFailer {
public:
    explicit AllocationFailer(SIZE_T failSize);
    // Revokes the spy (COM lets go of it once the blocks allocated under it are freed).
    ~AllocationFailer();
    AllocationFailer(const AllocationFailer&) = delete;
    AllocationFailer& operator=(const AllocationFailer&) = delete;

    bool Registered() const { return registered; }
    int FailedCount() const;

private:
    class Spy;
    Microsoft::WRL::ComPtr<Spy> spy;
    bool registered = false;
};

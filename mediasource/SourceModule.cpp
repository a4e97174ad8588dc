#include "mediasource/SourceModule.h"

namespace mediasource {

HINSTANCE moduleInstance = nullptr;

namespace {
volatile LONG liveObjects = 0;
volatile LONG moduleLocks = 0;
} // namespace

void ObjectCreated()
{
    InterlockedIncrement(&liveObjects);
}

void ObjectDestroyed()
{
    InterlockedDecrement(&liveObjects);
}

LONG LiveObjects()
{
    return InterlockedCompareExchange(&liveObjects, 0, 0);
}

void LockModule()
{
    InterlockedIncrement(&moduleLocks);
}

void UnlockModule()
{
    InterlockedDecrement(&moduleLocks);
}

LONG ModuleLocks()
{
    return InterlockedCompareExchange(&moduleLocks, 0, 0);
}

HRESULT CanUnloadNow()
{
    return (LiveObjects() != 0 || ModuleLocks() > 0) ? S_FALSE : S_OK;
}

} // namespace mediasource

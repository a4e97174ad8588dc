// The owners of handles, modules, task memory and media types: each frees what it holds exactly once, a moved-from
// owner holds nothing, and the lock and result helpers behave as the code relies on.
#include <gtest/gtest.h>

#include "tests/support/ProcessCounters.h"
#include "win/ComObject.h"
#include "win/ConditionVariable.h"
#include "win/Event.h"
#include "win/HResult.h"
#include "win/Lock.h"
#include "win/MediaType.h"
#include "win/Module.h"
#include "win/RegistryKey.h"
#include "win/TaskMemory.h"
#include "win/Thread.h"
#include "win/UniqueHandle.h"

namespace {

bool IsOpenHandle(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(Owners, HandleIsClosedOnceAndMovedFromOwnersHoldNothing)
{
    const int handlesBefore = testenv::HandleCount();
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        win::UniqueHandle first(raw);
        win::UniqueHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), raw);
        win::UniqueHandle third;
        third = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_TRUE(IsOpenHandle(raw));
    }
    EXPECT_FALSE(IsOpenHandle(raw));
    EXPECT_TRUE(testenv::WaitForCounts(handlesBefore, testenv::ThreadCount()));

    // CreateFile's failure value counts as no handle; Release hands over.
    EXPECT_FALSE(win::UniqueHandle(INVALID_HANDLE_VALUE));
    win::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE released = event.Release();
    EXPECT_FALSE(event);
    EXPECT_TRUE(IsOpenHandle(released));
    CloseHandle(released);
}

TEST(Owners, ModuleReferenceKeepsTheCodeModuleAndCodeModuleIsThisProgram)
{
    // Statically linked into this test program, the foundation's module is it.
    EXPECT_EQ(win::CodeModule(), GetModuleHandleW(nullptr));
    win::UniqueModule held = win::ReferenceCodeModule();
    EXPECT_EQ(held.Get(), GetModuleHandleW(nullptr));
    win::UniqueModule moved(std::move(held));
    EXPECT_FALSE(held);
    EXPECT_TRUE(moved);
}

TEST(Owners, RegistryKeyClosesWhatItHeldBeforeReceivingAnother)
{
    win::RegistryKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    const int handles = testenv::HandleCount();
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    EXPECT_LE(testenv::HandleCount(), handles) << "the first key was closed before the second was opened";
    win::RegistryKey moved(std::move(key));
    EXPECT_FALSE(key);
    EXPECT_TRUE(moved);
}

TEST(Owners, TaskMemoryCopiesTextAndRefusesOverflowingSizes)
{
    win::TaskMemoryPtr<wchar_t> copy = win::CopyToTaskMemory(L"Lumora");
    ASSERT_TRUE(copy);
    EXPECT_STREQ(copy.get(), L"Lumora");
    EXPECT_FALSE(win::CopyToTaskMemory(nullptr));
    EXPECT_FALSE(win::AllocateTaskMemory<GUID>(SIZE_MAX / 4));
}

// An object whose references are counted and whose destruction is seen.
class Tracked final : public win::ComObject<IUnknown> {
public:
    explicit Tracked(bool* destroyed) : m_destroyed(destroyed) {}
    ~Tracked() override { *m_destroyed = true; }

private:
    bool* m_destroyed;
};

TEST(Owners, MediaTypeOwnersFreeTheBlockAndReleaseTheObjectReference)
{
    bool destroyed = false;
    {
        Microsoft::WRL::ComPtr<Tracked> object = win::MakeComObject<Tracked>(&destroyed);
        win::MediaTypePtr type(static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE))));
        *type = AM_MEDIA_TYPE();
        type->cbFormat = 16;
        type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(16));
        type->pUnk = object.Get();
        object->AddRef(); // the type's own reference

        win::MediaTypeContents contents;
        AM_MEDIA_TYPE* filled = contents.Receive();
        filled->pUnk = object.Get();
        object->AddRef();
        filled->cbFormat = 8;
        filled->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(8));
        // A second Receive frees the first contents.
        contents.Receive();
        EXPECT_EQ(contents.Get().pUnk, nullptr);
    }
    EXPECT_TRUE(destroyed) << "every reference the types held was released";
}

TEST(Owners, LockIsRecursiveAndConditionWaitsEndOnTimeOrCondition)
{
    win::Lock lock;
    win::ConditionVariable changed;
    bool ready = false;
    {
        win::LockGuard outer(lock);
        win::LockGuard inner(lock); // the same thread enters again
    }
    {
        win::LockGuard guard(lock);
        const ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(changed.WaitUntil(lock, 50, [&] { return ready; }));
        EXPECT_GE(GetTickCount64() - start, 40u);
    }
    win::Thread setter;
    ASSERT_TRUE(setter.Start([&]() -> DWORD {
        Sleep(20);
        win::LockGuard guard(lock);
        ready = true;
        changed.WakeAll();
        return 0;
    }));
    win::LockGuard guard(lock);
    EXPECT_TRUE(changed.WaitUntil(lock, 10000, [&] { return ready; }));
}

HRESULT TwoSteps(HRESULT first, HRESULT second, int* calls)
{
    RETURN_IF_FAILED((++*calls, first));
    RETURN_IF_FAILED((++*calls, second));
    return S_FALSE;
}

TEST(Owners, ReturnIfFailedLeavesAtTheFirstFailureAndEvaluatesOnce)
{
    int calls = 0;
    EXPECT_EQ(TwoSteps(E_OUTOFMEMORY, E_FAIL, &calls), E_OUTOFMEMORY);
    EXPECT_EQ(calls, 1);
    calls = 0;
    EXPECT_EQ(TwoSteps(S_OK, E_ACCESSDENIED, &calls), E_ACCESSDENIED);
    EXPECT_EQ(calls, 2);
    calls = 0;
    EXPECT_EQ(TwoSteps(S_FALSE, S_OK, &calls), S_FALSE);

    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::LastErrorResult(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(win::LastErrorResult(), E_FAIL);
}

} // namespace

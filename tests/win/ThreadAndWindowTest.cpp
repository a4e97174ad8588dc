// The thread owner joins its thread; a window owner destroys its window on its own thread, whoever lets it go.
#include <gtest/gtest.h>

#include <atomic>

#include "tests/support/WaitFor.h"
#include "win/Event.h"
#include "win/Thread.h"
#include "win/Window.h"

namespace {

TEST(ThreadOwner, JoinsWhenItGoesAndReportsTheExitCode)
{
    std::atomic<bool> finished{false};
    HANDLE duplicate = nullptr;
    {
        win::Thread thread;
        ASSERT_TRUE(thread.Start([&]() -> DWORD {
            Sleep(100);
            finished = true;
            return 7;
        }));
        EXPECT_FALSE(thread.Start([]() -> DWORD { return 0; })) << "one thread per owner";
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread.Handle(), GetCurrentProcess(), &duplicate, 0, FALSE,
                                    DUPLICATE_SAME_ACCESS));
    }
    EXPECT_TRUE(finished) << "the destructor waited for the body";
    DWORD code = 0;
    GetExitCodeThread(duplicate, &code);
    EXPECT_EQ(code, 7u);
    CloseHandle(duplicate);
}

TEST(ThreadOwner, MovedFromOwnerHoldsNothingAndAnEscapingExceptionEndsTheThreadOnly)
{
    win::Event release(win::Event::Mode::ManualReset);
    win::Thread first;
    ASSERT_TRUE(first.Start([&]() -> DWORD {
        release.Wait();
        throw 1;
    }));
    const DWORD id = first.Id();
    win::Thread second(std::move(first));
    EXPECT_FALSE(first.Joinable());
    EXPECT_EQ(first.Id(), 0u);
    EXPECT_EQ(second.Id(), id);
    first.Join(); // nothing to join

    HANDLE duplicate = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), second.Handle(), GetCurrentProcess(), &duplicate, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    release.Set();
    second.Join();
    EXPECT_FALSE(second.Joinable());
    DWORD code = 0;
    GetExitCodeThread(duplicate, &code);
    EXPECT_EQ(code, static_cast<DWORD>(-1));
    CloseHandle(duplicate);
}

TEST(ThreadOwner, JoinOnTheThreadItselfLetsItGoInsteadOfDeadlocking)
{
    win::Thread thread;
    std::atomic<bool> joined{false};
    win::Event started(win::Event::Mode::ManualReset);
    ASSERT_TRUE(thread.Start([&]() -> DWORD {
        started.Wait();
        thread.Join();
        joined = true;
        return 0;
    }));
    started.Set();
    EXPECT_TRUE(testenv::WaitFor([&] { return joined.load(); }));
    EXPECT_FALSE(thread.Joinable());
}

// Window procedure of the test windows: answers the destroy request and records which thread destroyed the window.
std::atomic<DWORD> destroyingThread{0};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (win::HandleDestroyRequest(window, message)) {
        return 0;
    }
    if (message == WM_DESTROY) {
        destroyingThread = GetCurrentThreadId();
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateTestWindow()
{
    static const ATOM windowClass = [] {
        WNDCLASSW description = {};
        description.lpfnWndProc = &TestWindowProc;
        description.hInstance = GetModuleHandleW(nullptr);
        description.lpszClassName = L"LumoraWinTestWindow";
        return RegisterClassW(&description);
    }();
    return windowClass ? CreateWindowExW(0, L"LumoraWinTestWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), nullptr)
                       : nullptr;
}

TEST(ThreadOwner, ADetachedThreadRunsOnWithoutAnOwnerAndTheOwnerCanStartAgain)
{
    win::Event release(win::Event::Mode::ManualReset);
    std::atomic<bool> finished{false};
    win::Thread thread;
    ASSERT_TRUE(thread.Start([&]() -> DWORD {
        WaitForSingleObject(release.Get(), INFINITE);
        finished = true;
        return 0;
    }));
    thread.Detach(); // must not wait: the body is still blocked
    EXPECT_FALSE(thread.Joinable());
    EXPECT_TRUE(thread.Start([]() -> DWORD { return 0; })) << "the owner holds nothing after Detach";
    thread.Join();
    SetEvent(release.Get());
    EXPECT_TRUE(testenv::WaitFor([&] { return finished.load(); }));
}

TEST(WindowOwner, DestroysAtOnceOnItsOwnThread)
{
    destroyingThread = 0;
    win::UniqueWindow window(CreateTestWindow());
    ASSERT_TRUE(window);
    const HWND raw = window.Get();
    win::UniqueWindow moved(std::move(window));
    EXPECT_FALSE(window);
    moved.Reset();
    EXPECT_FALSE(IsWindow(raw));
    EXPECT_EQ(destroyingThread, GetCurrentThreadId());
}

TEST(WindowOwner, ReleasedOnAnotherThreadTheWindowIsDestroyedByItsOwnThread)
{
    destroyingThread = 0;
    win::Event created(win::Event::Mode::ManualReset);
    HWND raw = nullptr;
    win::Thread windowThread;
    ASSERT_TRUE(windowThread.Start([&]() -> DWORD {
        raw = CreateTestWindow();
        created.Set();
        MSG message;
        // Pumps until the window is gone (or the test gives up on it).
        while (raw && IsWindow(raw) && GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
        return 0;
    }));
    const DWORD windowThreadId = windowThread.Id();
    ASSERT_TRUE(created.Wait(10000));
    ASSERT_NE(raw, nullptr);
    {
        win::UniqueWindow owner(raw);
    } // let go on this thread: a request is posted, never a blocking call
    windowThread.Join();
    EXPECT_FALSE(IsWindow(raw));
    EXPECT_EQ(destroyingThread, windowThreadId);
}

} // namespace

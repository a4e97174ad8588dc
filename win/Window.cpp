#include "win/Window.h"

namespace win {

UINT DestroyRequestMessage()
{
    // Registered once per process; every thread sees the same number.
    static const UINT message = RegisterWindowMessageW(L"Lumora.DestroyWindowRequest");
    return message;
}

bool HandleDestroyRequest(HWND window, UINT message)
{
    if (message == 0 || message != DestroyRequestMessage()) {
        return false;
    }
    DestroyWindow(window);
    return true;
}

void DestroyOnItsThread(HWND window)
{
    if (!window || !IsWindow(window)) {
        return;
    }
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        DestroyWindow(window);
        return;
    }
    // Posted, never sent: the caller may hold a lock the window's thread needs.
    PostMessageW(window, DestroyRequestMessage(), 0, 0);
}

} // namespace win

#include "tools/lumoracap/MessagePump.h"

bool WaitDispatchingMessages(HANDLE handle, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD count = handle ? 1 : 0;
        const DWORD result = MsgWaitForMultipleObjects(count, handle ? &handle : nullptr, FALSE, left, QS_ALLINPUT);
        if (handle && result == WAIT_OBJECT_0) {
            return true;
        }
        if (result == WAIT_OBJECT_0 + count) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            continue;
        }
        return false; // timed out (or the wait failed)
    }
}

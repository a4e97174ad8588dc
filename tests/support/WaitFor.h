// Polls a condition until it holds or a generous time has passed (tests run on two shared cores under Wine).
#pragma once

#include <windows.h>

namespace testenv {

// Calls condition every 2 ms until it returns true (true) or timeoutMs have passed without it doing so (false). The
// condition runs on the caller's thread; whatever it reads from other threads must be safe to read.
template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 10000)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(2);
    }
    return true;
}

} // namespace testenv

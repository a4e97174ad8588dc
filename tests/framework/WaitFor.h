// Polls a condition until it holds or a generous time has passed (tests run
// on two shared cores under Wine).
#pragma once

#include <windows.h>

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 10000)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(2);
    }
    return true;
}

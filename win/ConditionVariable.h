// A Win32 condition variable whose waits release a win::Lock while they sleep.
#pragma once

#include <windows.h>

#include "win/Lock.h"

namespace win {

class ConditionVariable {
public:
    ConditionVariable() { InitializeConditionVariable(&m_variable); }
    // A Win32 condition variable needs no clean-up.
    ~ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    // Leaves lock, sleeps until woken or timeoutMs pass, and enters it again
    // before returning. The caller holds lock exactly once (a recursive hold
    // would stay held while sleeping). False on timeout; a wake-up may also be
    // spurious, so callers test their condition again (or use WaitUntil).
    bool Wait(Lock& lock, DWORD timeoutMs)
    {
        return SleepConditionVariableCS(&m_variable, lock.Native(), timeoutMs) != FALSE;
    }

    // Waits, releasing lock while asleep, until done() holds or timeoutMs
    // have passed in all; returns done(). Wake-ups for which done() is still
    // false, and spurious ones, sleep again for what is left of the time.
    // done() runs with lock held.
    template <class Condition>
    bool WaitUntil(Lock& lock, DWORD timeoutMs, Condition done)
    {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (!done()) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) {
                return false;
            }
            Wait(lock, static_cast<DWORD>(deadline - now));
        }
        return true;
    }

    // Wakes every thread waiting now.
    void WakeAll() { WakeAllConditionVariable(&m_variable); }

private:
    CONDITION_VARIABLE m_variable;
};

} // namespace win

// A Win32 condition variable that waits with a CriticalSection held.
#pragma once

#include <windows.h>

#include "camera/CriticalSection.h"

class ConditionVariable {
public:
    ConditionVariable() { InitializeConditionVariable(&m_variable); }
    // A Win32 condition variable needs no clean-up.
    ~ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    // Leaves section, sleeps until woken or timeoutMs pass, and enters it
    // again before returning. The caller must hold section exactly once (a
    // recursive hold would stay held while sleeping). False on timeout; a
    // wake-up may also be spurious, so the caller tests its condition again.
    bool Wait(CriticalSection& section, DWORD timeoutMs)
    {
        return SleepConditionVariableCS(&m_variable, section.Native(), timeoutMs) != FALSE;
    }
    // Wakes every thread waiting now.
    void WakeAll() { WakeAllConditionVariable(&m_variable); }

private:
    CONDITION_VARIABLE m_variable;
};

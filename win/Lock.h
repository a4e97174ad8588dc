// The project's lock: a Win32 critical section, with a scope guard.
//
// It is recursive (the thread that holds it may enter again), which the
// filter framework needs: the filter's state lock is also every pin's lock,
// and Stop holds it while a pin's GoInactive takes it again. Code that waits
// on a ConditionVariable must hold it exactly once.
//
// docs/threading.md lists every lock of the project and the order in which
// they may be taken.
#pragma once

#include <windows.h>

namespace win {

class Lock {
public:
    Lock() { InitializeCriticalSection(&m_section); }
    ~Lock() { DeleteCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }
    // For the platform's waits that release the section while they sleep.
    CRITICAL_SECTION* Native() { return &m_section; }

private:
    CRITICAL_SECTION m_section;
};

// Holds a Lock for the guard's scope.
class LockGuard {
public:
    explicit LockGuard(Lock& lock) : m_lock(lock) { m_lock.Enter(); }
    ~LockGuard() { m_lock.Leave(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Lock& m_lock;
};

} // namespace win

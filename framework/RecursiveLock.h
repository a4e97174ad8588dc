// A recursive lock (a CRITICAL_SECTION) and its scope guard.
//
// The filter's state lock is one of these: the thread that holds it may take
// it again (Stop holds it as the filter lock while a pin's GoInactive takes it
// as the pin lock).
#pragma once

#include <windows.h>

class RecursiveLock {
public:
    RecursiveLock() { InitializeCriticalSection(&section); }
    ~RecursiveLock() { DeleteCriticalSection(&section); }
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void Lock() { EnterCriticalSection(&section); }
    void Unlock() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
};

// Holds a RecursiveLock for the guard's scope.
class LockGuard {
public:
    explicit LockGuard(RecursiveLock* lock) : lock(lock) { lock->Lock(); }
    ~LockGuard() { lock->Unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    RecursiveLock* const lock;
};

// Exclusive locking for the simulated camera: a slim reader/writer lock used in
// exclusive mode only, with a scope guard.
//
// Slim locks need no set-up call that can fail and nothing to release, so they
// suit the device object that is constructed while the DLL is being loaded.
// They are not recursive: a thread must never take a lock it already holds.
#pragma once

#include <windows.h>

class SrwLock {
public:
    SrwLock() { InitializeSRWLock(&m_lock); }
    SrwLock(const SrwLock&) = delete;
    SrwLock& operator=(const SrwLock&) = delete;

    void Lock() { AcquireSRWLockExclusive(&m_lock); }
    void Unlock() { ReleaseSRWLockExclusive(&m_lock); }

private:
    SRWLOCK m_lock;
};

// Holds a lock for the guard's scope.
class SrwGuard {
public:
    explicit SrwGuard(SrwLock& lock) : m_lock(lock) { m_lock.Lock(); }
    ~SrwGuard() { m_lock.Unlock(); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

private:
    SrwLock& m_lock;
};

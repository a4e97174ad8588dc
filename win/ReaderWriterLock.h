// A slim reader/writer lock with scope guards for exclusive and shared holds.
//
// Slim locks need no set-up call that can fail and nothing to release, so
// they suit objects constructed while a DLL is being loaded. They are not
// recursive: a thread must never take one it already holds.
#pragma once

#include <windows.h>

namespace win {

class ReaderWriterLock {
public:
    ReaderWriterLock() { InitializeSRWLock(&m_lock); }
    ReaderWriterLock(const ReaderWriterLock&) = delete;
    ReaderWriterLock& operator=(const ReaderWriterLock&) = delete;

    void LockExclusive() { AcquireSRWLockExclusive(&m_lock); }
    void UnlockExclusive() { ReleaseSRWLockExclusive(&m_lock); }
    void LockShared() { AcquireSRWLockShared(&m_lock); }
    void UnlockShared() { ReleaseSRWLockShared(&m_lock); }

private:
    SRWLOCK m_lock;
};

// Holds the lock exclusively (a writer) for the guard's scope.
class ExclusiveGuard {
public:
    explicit ExclusiveGuard(ReaderWriterLock& lock) : m_lock(lock) { m_lock.LockExclusive(); }
    ~ExclusiveGuard() { m_lock.UnlockExclusive(); }
    ExclusiveGuard(const ExclusiveGuard&) = delete;
    ExclusiveGuard& operator=(const ExclusiveGuard&) = delete;

private:
    ReaderWriterLock& m_lock;
};

// Holds the lock shared (one of several readers) for the guard's scope.
class SharedGuard {
public:
    explicit SharedGuard(ReaderWriterLock& lock) : m_lock(lock) { m_lock.LockShared(); }
    ~SharedGuard() { m_lock.UnlockShared(); }
    SharedGuard(const SharedGuard&) = delete;
    SharedGuard& operator=(const SharedGuard&) = delete;

private:
    ReaderWriterLock& m_lock;
};

} // namespace win

// A Win32 critical section (recursive: the owning thread may enter again) and
// a scope guard that holds it.
#pragma once

#include <windows.h>

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&m_section); }
    ~CriticalSection() { DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }
    // For the platform's waits that release the section while they sleep
    // (ConditionVariable).
    CRITICAL_SECTION* Native() { return &m_section; }

private:
    CRITICAL_SECTION m_section;
};

// Enters the section on construction and leaves it on destruction.
class CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(CriticalSection& section) : m_section(section) { m_section.Enter(); }
    ~CriticalSectionGuard() { m_section.Leave(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    CriticalSection& m_section;
};

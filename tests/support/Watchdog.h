// Ends the test program with a message when a scenario takes longer than
// allowed, so that a deadlock fails the test run instead of hanging it.
#pragma once

#include <windows.h>

#include <cstdio>

namespace testenv {

class Watchdog {
public:
    Watchdog(DWORD timeoutMs, const char* what) : m_timeoutMs(timeoutMs), m_what(what)
    {
        m_disarm = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
    }
    ~Watchdog()
    {
        SetEvent(m_disarm);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_disarm);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Run(void* self)
    {
        auto* dog = static_cast<Watchdog*>(self);
        if (WaitForSingleObject(dog->m_disarm, dog->m_timeoutMs) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "WATCHDOG: '%s' did not finish within %lu ms (deadlock?)\n",
                         dog->m_what, static_cast<unsigned long>(dog->m_timeoutMs));
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 97);
        }
        return 0;
    }

    DWORD m_timeoutMs;
    const char* m_what;
    HANDLE m_disarm = nullptr;
    HANDLE m_thread = nullptr;
};

} // namespace testenv

#include "diagnostics/Watchdog.h"

#include <cstdio>

namespace win {

Watchdog::Watchdog(DWORD timeoutMs, const char* what)
{
    m_thread.Start([this, timeoutMs, what]() -> DWORD {
        if (!m_disarmed.Wait(timeoutMs)) {
            std::fprintf(stderr, "WATCHDOG: '%s' did not finish within %lu ms (deadlock?)\n", what,
                         static_cast<unsigned long>(timeoutMs));
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 97);
        }
        return 0;
    });
}

Watchdog::~Watchdog()
{
    m_disarmed.Set();
    m_thread.Join();
}

} // namespace win

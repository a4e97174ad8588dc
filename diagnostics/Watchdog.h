// Ends the process with a message when a scope takes longer than allowed, so
// that a deadlock fails a test run or a benchmark instead of hanging it.
#pragma once

#include <windows.h>

#include "win/Event.h"
#include "win/Thread.h"

namespace win {

class Watchdog {
public:
    // what names the scope in the message; it must outlive the watchdog.
    Watchdog(DWORD timeoutMs, const char* what);
    // Disarms the watchdog and joins its thread.
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    Event m_disarmed{Event::Mode::ManualReset};
    Thread m_thread;
};

} // namespace win

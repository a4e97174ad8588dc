// Counts of the process's open handles and threads, for leak checks taken
// before and after a scenario.
#pragma once

namespace testenv {

// Open handles of this process. Wine does not report GetProcessHandleCount, so
// this reads the system's handle list (NtQuerySystemInformation).
int HandleCount();
// Threads of this process.
int ThreadCount();

// Waits up to timeoutMs for the counts to fall back to the given values (a
// thread that was joined may still be leaving the OS's lists); returns true
// when they did.
bool WaitForCounts(int handles, int threads, unsigned timeoutMs = 2000);

} // namespace testenv

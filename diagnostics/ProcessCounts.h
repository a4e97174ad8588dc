// Counts of the process's open handles and threads, for leak checks taken
// before and after a scenario (the tests, the soak program).
#pragma once

#include <vector>

namespace win {

// Open handles of this process. Wine does not report GetProcessHandleCount, so
// this reads the system's handle list (NtQuerySystemInformation).
int HandleCount();
// Threads of this process.
int ThreadCount();
// The ids of this process's threads now alive (empty if the system's thread
// list cannot be read).
std::vector<unsigned long> ThreadIdsOfProcess();

// Handles that Wine's runtime may open once per process, at a moment of its
// own choosing (an unnamed event, seen appearing seconds into a process, in
// whichever scenario happens to run then). A leak check allows this many
// extra handles; a per-cycle leak over the checks' 100-200 cycles shows far
// beyond it.
constexpr int kRuntimeHandleSlack = 2;

// Waits up to timeoutMs for the counts to fall back to the given values (a
// thread that was joined may still be leaving the OS's lists; handles within
// kRuntimeHandleSlack count as back); returns true when they did.
bool WaitForCounts(int handles, int threads, unsigned timeoutMs = 2000);

} // namespace win

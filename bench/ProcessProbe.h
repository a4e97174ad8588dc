// ProcessProbe: what the process spends: CPU time (GetProcessTimes, kernel
// plus user), the peak working set (GetProcessMemoryInfo), and the CPU time of
// each of its threads (GetThreadTimes), so that a run can tell where the
// milliseconds go. Called on the bench's main thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>

namespace probe {

// CPU time the whole process has used so far, kernel plus user, in ms.
double ProcessCpuMs();

// Peak working set of the process so far, in bytes (0 if unknown).
uint64_t PeakWorkingSetBytes();
// Working set of the process now, in bytes (0 if unknown).
uint64_t WorkingSetBytes();

// CPU time (kernel plus user, ms) of every thread of the process now alive,
// by thread id. Threads the system will not open are left out.
std::map<DWORD, double> ThreadCpuMs();

// The thread that owns the camera controller's hidden capture window (a
// top-level "Button" window of this process), or 0 when none is found.
DWORD CameraCaptureThreadId();

} // namespace probe

// Helpers for the controller's tests against the simulated camera: its call
// journal, stamps in fetched frames, polling.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "simcamera/SimControl.h"

namespace cameratest {

using Bytes = std::vector<unsigned char>;

// The simulated camera's journal, one entry per call, such as "CameraSetMirror(0,1)".
std::vector<std::string> JournalLines();

// The stamp at the centre of a frame of the given size.
SimStamp StampOf(const Bytes& frame, int width, int height);
bool IsStamp(const SimStamp& stamp);

SimCounters Counters();

// Polls condition every 5 ms until it holds (true) or timeoutMs pass (false).
template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(5);
    }
}

} // namespace cameratest

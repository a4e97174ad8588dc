// The rate at which a pin delivers its samples, measured: the mean interval
// between the last deliveries (up to kWindow of them, about a second at the
// camera's full rate), so the figure follows a change of rate within a
// second. IAMVideoControl::GetCurrentActualFrameRate reports the capture
// pin's.
//
// Threading: the pin's worker records deliveries; any thread reads. m_Lock is
// a leaf: nothing is called while it is held.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "win/Lock.h"

class FrameRateMeter {
public:
    static constexpr int kWindow = 30;

    FrameRateMeter();

    // Forgets every delivery: a stream starts or ends.
    void Restart();
    // A sample was delivered at time (a QueryPerformanceCounter value).
    void Delivered(LONGLONG time);
    // Delivered now.
    void Delivered();
    // The mean interval between the recorded deliveries, in 100-ns units;
    // false (and *interval untouched) until two deliveries were recorded.
    bool MeanInterval(REFERENCE_TIME* interval);

private:
    LONGLONG m_Frequency; // counts per second
    win::Lock m_Lock;     // guards the rest
    LONGLONG m_Times[kWindow] = {};
    int m_Count = 0; // recorded, at most kWindow
    int m_Next = 0;  // where the next delivery goes
};

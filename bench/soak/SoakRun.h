// The two phases of the soak, each on a graph of its own built like the
// benchmark's (BenchGraph: both pins into null renderers through sample
// grabbers, the filter linked into the program, the simulated camera):
//
// - cycles: the graph is paused, run and stopped again and again; the
//   process's handles and threads and the filter module's live objects are
//   counted after a first warm-up cycle and after the last one, and must come
//   back to where they were;
// - stream: both pins stream for a number of minutes; the simulated camera's
//   counters give the frames it produced and the frames the filter left
//   unfetched, the stamps in the delivered samples give every frame a pin
//   missed or delivered twice, and the working set is sampled throughout.
//
// Threading: both run on the program's main thread (COM initialised there);
// the grabbers' callbacks run on the pins' streaming threads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct ObjectCounts {
    int handles = 0;
    int threads = 0;
    long liveObjects = 0;
};

struct CycleFigures {
    int cycles = 0;         // cycles done after the warm-up one
    int failedCalls = 0;    // Pause, Run or Stop calls that failed
    ObjectCounts baseline;  // after the warm-up cycle
    ObjectCounts final;     // after the last cycle, once the counts settled
    ObjectCounts peak;      // the largest counts seen between cycles
    double seconds = 0;
    std::string error;      // why the phase could not run, when it could not
};

// What one pin delivered within the measured window.
struct PinFigures {
    long samples = 0;     // samples that carried a camera stamp
    long unstamped = 0;   // samples without one (before the first frame)
    long missing = 0;     // frames between the first and last delivered that never came
    long duplicates = 0;  // samples whose frame was not newer than the one before
};

struct StreamFigures {
    double minutes = 0;          // the measured window
    long produced = 0;           // frames the camera produced in the window
    long skipped = 0;            // of them, produced while a posted one was still unfetched
    PinFigures capture;
    PinFigures preview;
    uint64_t workingSetStart = 0; // bytes, at the window's start
    uint64_t workingSetEnd = 0;
    uint64_t workingSetMax = 0;   // the largest sample within the window
    std::string error;
};

// Leak slack: Wine's runtime may open a couple of handles of its own once per
// process at a moment of its choosing; anything beyond that, or any thread or
// live object more, is a leak.
bool CountsFlat(const ObjectCounts& baseline, const ObjectCounts& final);
// Working set flat: within one delivered frame of where the window started.
bool WorkingSetFlat(const StreamFigures& figures);
// Frames the pins should have delivered and did not: the gaps in each pin's
// sequence of camera frames, summed over both pins.
long FramesLost(const StreamFigures& figures);

CycleFigures RunCycles(int cycles);
StreamFigures RunStream(double minutes);

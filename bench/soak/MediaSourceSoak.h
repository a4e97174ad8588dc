// The soak's media-source mode: the Media Foundation source made by its
// class factory (bench/MediaSourceModule.h) on the simulated camera, in two
// phases of cycles, each reported in the soak's cycle shape with the
// process's working set beside the counts:
//
// - start/stop: one source started (which opens the camera), asked for a
//   sample, and stopped (which closes it) again and again;
// - create/shutdown: a new source made, its presentation descriptor read,
//   shut down and released again and again; live objects are the module's
//   (1 while DllCanUnloadNow says objects are alive).
//
// Handles, threads and live objects are counted after a warm-up cycle and
// after the last, as the filter's cycles are (CountsFlat). The working set
// must come back to within one camera frame of where it was, beside the
// camera controller's image ring: the controller allocates each of its
// three image buffers (ImageRing) when a fetch first needs it and keeps it
// from one Start to the next, and with one consumer taking one sample a
// cycle the second and third are needed only when a fetch happens to
// overlap a read, which may take hundreds of cycles: one-time steps of one
// whole image each, at most two after the warm-up. The working set half-way
// through is reported beside it.
//
// Threading: the program's main thread; the source's events are polled.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/soak/SoakRun.h"

struct SourceCycleFigures {
    CycleFigures counts;
    uint64_t workingSetBaseline = 0; // bytes, after the warm-up cycle
    uint64_t workingSetFinal = 0;    // bytes, after the last cycle
    uint64_t workingSetPeak = 0;     // the largest seen between cycles
    uint64_t workingSetHalfway = 0;  // bytes, after half the cycles
};

struct MediaSourceSoakFigures {
    SourceCycleFigures startStop;
    SourceCycleFigures createShutdown;
};

// The phase ran without an error, its counts are flat and the working set
// ended within one camera frame and the image ring's unused buffers of its
// baseline.
bool SourceCyclesFlat(const SourceCycleFigures& figures);

// Either phase is left out with 0 cycles (its figures stay empty).
MediaSourceSoakFigures RunMediaSourceSoak(int startStopCycles, int createShutdownCycles);

void PrintMediaSourceSoakTable(const MediaSourceSoakFigures& figures, FILE* out);
std::string MediaSourceSoakJsonLine(const MediaSourceSoakFigures& figures);

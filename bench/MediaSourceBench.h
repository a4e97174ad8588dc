// The benchmark's media-source mode (lumorabench --media-source): the Media
// Foundation source, made by its class factory (bench/MediaSourceModule.h),
// read through MFCreateSourceReaderFromMediaSource as NV12 1280 x 720 on the
// simulated camera, synchronously on the program's main thread, for the
// run's window. It reports:
//
// - frames per second delivered by ReadSample (target: at least 29);
// - process CPU per delivered frame, in cache-cold copies of the frame's
//   source window of the camera's image (the 3264 x 1836 16:9 window of the
//   3264 x 2448 image, bench/CopyFloor and stats::SourceWindowBytes): what
//   the conversion must at least read;
// - latency from the camera frame's arrival to ReadSample's return (median
//   and p99). The camera's stamp does not survive the conversion to NV12 at a
//   smaller size, and the frame reader's arrival time is the source's worker
//   thread's, so the latency is taken from the sample time: the source
//   stamps each sample with the performance counter at which the camera's
//   frame arrived, in 100-ns units, and the reader passes it on. A sample
//   time outside 0..10 s of now counts as missing (a source that stamps
//   otherwise).
#pragma once

#include <cstdio>
#include <string>

#include "bench/RunStatistics.h"

struct MediaSourceRun {
    int run = 0;
    std::string error;
    double seconds = 0;        // the measured window
    long frames = 0;           // samples ReadSample returned in the window
    long gaps = 0;             // stream ticks (MF_SOURCE_READERF_STREAMTICK) and empty reads
    double framesPerSecond = 0;
    double cpuMs = 0;          // process CPU in the window
    double cpuMsPerFrame = 0;
    double windowCopyMs = 0;   // median cache-cold copy of one frame's source window
    double cpuInWindowCopies = 0;
    double latencyMedianMs = stats::kMissing;
    double latencyP99Ms = stats::kMissing;
    long latencyMissing = 0;   // samples whose time could not be read as an arrival
};

// One run with a new source and reader over a window of seconds.
MediaSourceRun RunMediaSourceBench(int run, int seconds);

void PrintMediaSourceTable(const MediaSourceRun& result, FILE* out);
std::string MediaSourceJsonLine(const MediaSourceRun& result);

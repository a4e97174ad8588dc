// The targets a run is held against, and whether it met them.
#pragma once

#include <string>
#include <vector>

#include "bench/RunResult.h"

struct TargetCheck {
    std::string name;   // short key, as in the JSON line
    std::string rule;   // the target in words, with its bound
    double measured = 0;
    double limit = 0;
    bool met = false;
};

// Frames per second on each pin >= 29; measured copies per delivered sample
// <= 1.70 at resolution index 0, <= 1.55 at 1 or 2 (the capture pin alone:
// <= 1.05 where the camera fills its samples directly, the image's share
// plus 1.05 where it crops); CPU per delivered frame
// <= 1.15 x the measured copies (without them, <= 1.3 x the required
// copies); preview latency median <= 1.25 x the preview path's copies (the
// camera's fill of the image and the pin's copy, which cuts the crop) and
// p99 <= half a frame interval (16.7 ms); Pause to the first stamped sample
// <= 150 ms on each pin; peak working set <= budget.
// A copy is the run's cache-cold memcpy of one frame (RunResult::copyMs), as
// the frame path's copies are. The copy bounds (measured copies, CPU, preview
// latency median) are the cut RGB24 frame's: a converted or scaled frame
// (RunResult::Converted) is held to the others, and instead each pin
// worker's CPU per sample <= 2.5 cache-cold copies of its source window.
std::vector<TargetCheck> CheckTargets(const RunResult& result);

// The preview path's copies in units of one frame copy: the fill of the
// whole image at the run's resolution index and the pin's copy.
double PreviewPathCopies(const RunResult& result);

// The bound on measured copies per delivered sample of the run's configuration.
double MaxMeasuredCopies(const RunResult& result);

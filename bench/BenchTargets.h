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
// copies); preview latency median <= 1.5 x the preview path's copies (the
// camera's fill, the crop, the pin's copy) and p99 <= 33 ms; Pause to the
// first stamped sample <= 200 ms on each pin; peak working set <= budget.
// A copy is the run's cache-cold memcpy of one frame (RunResult::copyMs), as
// the frame path's copies are.
std::vector<TargetCheck> CheckTargets(const RunResult& result);

// The preview path's copies in units of one frame copy: the fill of the
// whole image at the run's resolution index, the crop and the pin's copy.
double PreviewPathCopies(const RunResult& result);

// The bound on measured copies per delivered sample of the run's configuration.
double MaxMeasuredCopies(const RunResult& result);

#include "bench/BenchTargets.h"

#include <cmath>
#include <cstdio>

namespace {

const double kMinFramesPerSecond = 29;
const double kMaxCopiesRatio = 1.3;
const double kMaxMeasuredCopiesRatio = 1.15;
const double kMaxMeasuredCopiesCropped = 1.70;
const double kMaxMeasuredCopiesBinned = 1.55;
// The capture pin alone at a size the camera delivers uncut: the camera's
// fetch straight into the sample, nothing else.
const double kMaxMeasuredCopiesDirect = 1.05;
const double kMaxPreviewLatencyCopies = 1.25;
// Half the interval of the camera's 30 frames per second.
const double kMaxPreviewP99Ms = 1000.0 / 30 / 2;
const double kMaxFirstStampedMs = 150;
// A converted or scaled frame's fill: its pin worker's CPU per sample in
// cache-cold copies of the source window it reads.
const double kMaxFillWindowCopies = 2.5;

TargetCheck AtLeast(const std::string& name, const std::string& rule, double measured, double limit)
{
    return TargetCheck{name, rule, measured, limit, std::isfinite(measured) && measured >= limit};
}

// A missing measurement (not finite) meets no bound.
TargetCheck AtMost(const std::string& name, const std::string& rule, double measured, double limit)
{
    return TargetCheck{name, rule, measured, limit, std::isfinite(measured) && measured <= limit};
}

} // namespace

double PreviewPathCopies(const RunResult& result)
{
    return static_cast<double>(result.ImageBytes()) / static_cast<double>(kFrameBytes) + 1;
}

double MaxMeasuredCopies(const RunResult& result)
{
    if (result.captureOnly) {
        const bool uncut = result.resolution != 0 || result.captureWidth == kImageWidth;
        // Cropped, the capture pin alone takes the camera's fetch and its own copy.
        return uncut ? kMaxMeasuredCopiesDirect
                     : static_cast<double>(result.ImageBytes()) / static_cast<double>(kFrameBytes) +
                           kMaxMeasuredCopiesDirect;
    }
    return result.resolution == 0 ? kMaxMeasuredCopiesCropped : kMaxMeasuredCopiesBinned;
}

std::vector<TargetCheck> CheckTargets(const RunResult& result)
{
    char rule[128];
    std::vector<TargetCheck> checks;
    checks.push_back(AtLeast("capture_fps", "capture pin frames/s >= 29", result.capture.framesPerSecond,
                             kMinFramesPerSecond));
    if (!result.captureOnly) {
        checks.push_back(AtLeast("preview_fps", "preview pin frames/s >= 29", result.preview.framesPerSecond,
                                 kMinFramesPerSecond));
    }
    // The copy bounds are the cut's; a converted or scaled frame is measured
    // in copies of what it reads and writes, and held to no bound here.
    const bool cut = !result.Converted();
    if (cut) {
        std::snprintf(rule, sizeof(rule), "measured copies per delivered sample <= %.2f", MaxMeasuredCopies(result));
        checks.push_back(AtMost("measured_copies", rule, result.measuredCopies, MaxMeasuredCopies(result)));
        // The frame path's own count when it has one; the design's copies
        // until then.
        if (std::isfinite(result.measuredCopies)) {
            checks.push_back(AtMost("cpu_ratio", "CPU per frame <= 1.15 x measured copies",
                                    result.cpuToMeasuredCopiesRatio, kMaxMeasuredCopiesRatio));
        } else {
            checks.push_back(AtMost("cpu_ratio", "CPU per frame <= 1.3 x required copies", result.cpuToCopiesRatio,
                                    kMaxCopiesRatio));
        }
    }
    if (!cut) {
        checks.push_back(AtMost("capture_fill", "capture worker CPU per sample <= 2.5 source window copies",
                                result.captureFillWindowCopies, kMaxFillWindowCopies));
        if (!result.captureOnly) {
            checks.push_back(AtMost("preview_fill", "preview worker CPU per sample <= 2.5 source window copies",
                                    result.previewFillWindowCopies, kMaxFillWindowCopies));
        }
    }
    if (!result.captureOnly && cut) {
        const double previewCopies = PreviewPathCopies(result);
        const double latencyLimit = kMaxPreviewLatencyCopies * previewCopies * result.copyMs;
        std::snprintf(rule, sizeof(rule), "preview latency median <= 1.25 x %.3f copies (ms)", previewCopies);
        checks.push_back(AtMost("preview_latency_median", rule, result.preview.latencyMedianMs, latencyLimit));
    }
    if (!result.captureOnly) {
        checks.push_back(AtMost("preview_latency_p99", "preview latency p99 <= 16.7 ms", result.preview.latencyP99Ms,
                                kMaxPreviewP99Ms));
    }
    checks.push_back(AtMost("capture_first_stamped", "Pause -> first stamped capture sample <= 150 ms",
                            result.capture.firstStampedMs, kMaxFirstStampedMs));
    if (!result.captureOnly) {
        checks.push_back(AtMost("preview_first_stamped", "Pause -> first stamped preview sample <= 150 ms",
                                result.preview.firstStampedMs, kMaxFirstStampedMs));
    }
    checks.push_back(AtMost("peak_memory", "peak working set <= budget (MiB)",
                            static_cast<double>(result.peakWorkingSet) / (1024.0 * 1024.0),
                            static_cast<double>(result.memoryBudget) / (1024.0 * 1024.0)));
    return checks;
}

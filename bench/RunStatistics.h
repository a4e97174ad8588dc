// The figures of one run, computed from what the measuring sinks recorded
// and what the process spent. Pure arithmetic: no clocks are read here, so the
// rules can be checked with made-up timelines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "bench/SampleRecord.h"

namespace stats {

// A figure that could not be measured (no samples of the kind, no clock).
constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// Median of the values (mean of the two middle ones for an even count);
// 0 for none.
double Median(std::vector<double> values);
// Nearest-rank percentile (0 < percent <= 100): the smallest value that at
// least percent % of the values do not exceed; 0 for none.
double Percentile(std::vector<double> values, double percent);

// The measured window of a run and the moment the graph was paused, all in
// QueryPerformanceCounter ticks.
struct RunClock {
    int64_t frequency = 1;   // ticks per second
    int64_t pauseQpc = 0;    // IMediaControl::Pause was called
    int64_t windowStart = 0; // first tick of the measured window
    int64_t windowEnd = 0;   // last tick of the measured window
    // The reference clock's time at stream time 0, when the graph has a clock.
    bool hasStreamBase = false;
    REFERENCE_TIME streamBase = 0;
    double WindowSeconds() const;
    double Ms(int64_t ticks) const;
};

// One pin's figures. Counts and rates cover the samples that arrived within
// the window; the first stamped sample is looked for in the whole timeline.
struct PinFigures {
    size_t delivered = 0;        // samples that reached the sink
    double framesPerSecond = 0;  // delivered / window seconds
    size_t stamped = 0;          // of them, carrying a camera frame (sequence > 0)
    size_t withTimes = 0;        // of them, carrying a start and end time
    size_t distinctFrames = 0;   // stamped deliveries of a frame new to this pin
    size_t duplicates = 0;       // stamped deliveries of the frame this pin delivered last
    size_t missedFrames = 0;     // camera frames this pin skipped (gaps in the sequence)
    // Frame produced -> sample at the sink, over the stamped samples.
    double latencyMedianMs = kMissing;
    double latencyP99Ms = kMissing;
    double freshLatencyMedianMs = kMissing; // the same, first delivery of each frame only
    // The controller learned of the frame -> sample at the sink, over the
    // samples whose frame's arrival is known.
    double arrivalLatencyMedianMs = kMissing;
    double arrivalLatencyP99Ms = kMissing;
    double intervalMedianMs = kMissing; // between consecutive deliveries
    double intervalP99Ms = kMissing;
    double firstStampedMs = kMissing;   // Pause -> first stamped sample
    double firstSampleMs = kMissing;    // Pause -> first sample of any kind
    size_t blackBeforeFirstStamped = 0; // samples without a camera frame before it
    // Time-stamped samples: the gap from one sample's end to the next one's
    // start, and the lead of a sample's start over the stream time when it
    // reached the sink (what a renderer waits before presenting it; needs a
    // clock).
    double gapMedianMs = kMissing;
    double gapMaxMs = kMissing;
    double leadMedianMs = kMissing;
    double leadP99Ms = kMissing;
    DWORD threadId = 0;          // the thread that delivered the samples
};

PinFigures SummarisePin(const std::vector<SampleRecord>& timeline, const RunClock& clock);

// The memory copies the design needs per delivered frame, in units of one
// frame-sized memcpy. Each camera frame the controller takes costs the
// camera's fill (imageBytes) and the crop into the frame buffer (frameBytes);
// each delivered sample costs one copy out of the frame buffer (frameBytes):
//   required = (cameraFrames * (imageBytes + frameBytes) + delivered * frameBytes)
//              / (delivered * frameBytes)
// With every camera frame delivered once on each of two pins this is
// 1 + (imageBytes / frameBytes + 1) / 2. 0 when nothing was delivered.
double RequiredCopiesPerDelivered(uint64_t cameraFrames, uint64_t delivered, uint64_t imageBytes,
                                  uint64_t frameBytes);
// The same when the capture pin's samples are captureFrameBytes each (a
// full-size capture pin copies the whole image) and the preview pin's
// frameBytes, still in units of one frameBytes memcpy:
//   required = (cameraFrames * (imageBytes + frameBytes) + previewDelivered * frameBytes
//               + captureDelivered * captureFrameBytes) / (delivered * frameBytes)
double RequiredCopiesPerDelivered(uint64_t cameraFrames, uint64_t captureDelivered, uint64_t previewDelivered,
                                  uint64_t imageBytes, uint64_t frameBytes, uint64_t captureFrameBytes);

// Copies per delivered sample as the frame path counted them: the bytes it
// copied (the camera's fetches and the copies into samples) over the bytes of
// the samples delivered, each sample at its own pin's frame size. Missing when
// nothing was counted (the counters are not fed) or nothing delivered.
double MeasuredCopiesPerDelivered(uint64_t copiedBytes, uint64_t deliveredBytes);
// The copy time the counted copies cost per delivered sample, at copyMs for
// each frameBytes copied: copiedBytes / delivered / frameBytes x copyMs.
// Missing when nothing was counted or delivered.
double MeasuredCopyMsPerDelivered(uint64_t copiedBytes, uint64_t delivered, uint64_t frameBytes, double copyMs);

// Whether a pin's frame of width x height is scaled from a window of the
// camera's image (the ladder's smaller sizes) rather than cut from it.
bool IsScaled(int width, int height);
// Bytes of the camera's 24-bit image that one frame of width x height is
// taken from: the frame's own window where it is cut (the whole image where
// the image is smaller), the image's largest centred window with the
// frame's aspect ratio where it is scaled (3264 x 1836 for 16:9 and the
// whole 3264 x 2448 for 4:3 from the whole sensor).
uint64_t SourceWindowBytes(int imageWidth, int imageHeight, int width, int height);

// CPU per delivered sample in copies of bytes per sample, each copy at
// copyMs per frameBytes: cpuMsPerSample / (bytes / delivered / frameBytes x
// copyMs). Missing when nothing was delivered or a copy takes no time.
double CpuInCopies(double cpuMsPerSample, uint64_t bytes, uint64_t delivered, uint64_t frameBytes, double copyMs);

// The working-set budget: buffersPerPin buffers of a frame per pin, the
// controller's image ring (three images), the camera's cached picture (one
// image), plus 10 %.
uint64_t MemoryBudgetBytes(int pins, int buffersPerPin, uint64_t frameBytes, uint64_t imageBytes);
// The same for the two pins when the capture pin's buffers hold
// captureFrameBytes each.
uint64_t MemoryBudgetBytes(int buffersPerPin, uint64_t frameBytes, uint64_t captureFrameBytes, uint64_t imageBytes);

} // namespace stats

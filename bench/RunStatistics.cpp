#include "bench/RunStatistics.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "camera/ImageRing.h"
#include "camera/ScalePlan.h"
#include "filter/FormatLadder.h"

namespace stats {
namespace {

// Sample times are in 100-ns units.
const double kUnitsPerMs = 10000.0;

} // namespace

double Median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 != 0) {
        return upper;
    }
    const double lower = *std::max_element(values.begin(), values.begin() + middle);
    return (lower + upper) / 2;
}

double Percentile(std::vector<double> values, double percent)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(percent / 100.0 * static_cast<double>(values.size()));
    const size_t index = rank < 1 ? 0 : std::min(values.size(), static_cast<size_t>(rank)) - 1;
    return values[index];
}

double RunClock::WindowSeconds() const
{
    return frequency > 0 ? static_cast<double>(windowEnd - windowStart) / frequency : 0;
}

double RunClock::Ms(int64_t ticks) const
{
    return frequency > 0 ? static_cast<double>(ticks) * 1000.0 / frequency : 0;
}

PinFigures SummarisePin(const std::vector<SampleRecord>& timeline, const RunClock& clock)
{
    PinFigures figures;
    std::vector<double> latencies;
    std::vector<double> freshLatencies;
    std::vector<double> arrivalLatencies;
    std::vector<double> intervals;
    std::vector<double> gaps;
    std::vector<double> leads;
    std::set<uint32_t> seen;
    // The last stamped frame delivered before the current sample, and the
    // arrival of the previous sample, whether in the window or before it.
    uint32_t lastSequence = 0;
    bool haveLastSequence = false;
    int64_t lastArrival = 0;
    bool haveLastArrival = false;
    REFERENCE_TIME lastEnd = 0;
    bool haveLastEnd = false;

    for (const SampleRecord& record : timeline) {
        if (std::isnan(figures.firstStampedMs) && record.receivedQpc >= clock.pauseQpc) {
            if (std::isnan(figures.firstSampleMs)) {
                figures.firstSampleMs = clock.Ms(record.receivedQpc - clock.pauseQpc);
            }
            if (record.stamped) {
                figures.firstStampedMs = clock.Ms(record.receivedQpc - clock.pauseQpc);
            } else {
                ++figures.blackBeforeFirstStamped;
            }
        }
        const bool inWindow = record.receivedQpc >= clock.windowStart && record.receivedQpc <= clock.windowEnd;
        if (inWindow) {
            ++figures.delivered;
            figures.threadId = record.threadId;
            if (record.hasTimes) {
                ++figures.withTimes;
                if (haveLastEnd) {
                    gaps.push_back(static_cast<double>(record.start - lastEnd) / kUnitsPerMs);
                }
                if (clock.hasStreamBase && record.hasClockTime) {
                    const REFERENCE_TIME streamTime = record.clockTime - clock.streamBase;
                    leads.push_back(static_cast<double>(record.start - streamTime) / kUnitsPerMs);
                }
            }
            if (record.arrivalQpc != 0) {
                arrivalLatencies.push_back(clock.Ms(record.receivedQpc - record.arrivalQpc));
            }
            if (haveLastArrival) {
                intervals.push_back(clock.Ms(record.receivedQpc - lastArrival));
            }
            if (record.stamped) {
                ++figures.stamped;
                const double latency = clock.Ms(record.receivedQpc - record.producedQpc);
                latencies.push_back(latency);
                if (haveLastSequence && record.sequence == lastSequence) {
                    ++figures.duplicates;
                } else {
                    freshLatencies.push_back(latency);
                    if (haveLastSequence && record.sequence > lastSequence + 1) {
                        figures.missedFrames += record.sequence - lastSequence - 1;
                    }
                }
                seen.insert(record.sequence);
            }
        }
        lastArrival = record.receivedQpc;
        haveLastArrival = true;
        haveLastEnd = record.hasTimes;
        lastEnd = record.end;
        if (record.stamped) {
            lastSequence = record.sequence;
            haveLastSequence = true;
        }
    }
    figures.distinctFrames = seen.size();
    const double seconds = clock.WindowSeconds();
    figures.framesPerSecond = seconds > 0 ? static_cast<double>(figures.delivered) / seconds : 0;
    // No samples of a kind: the figure is missing, not 0.
    if (!latencies.empty()) {
        figures.latencyMedianMs = Median(latencies);
        figures.latencyP99Ms = Percentile(latencies, 99);
        figures.freshLatencyMedianMs = Median(freshLatencies);
    }
    if (!arrivalLatencies.empty()) {
        figures.arrivalLatencyMedianMs = Median(arrivalLatencies);
        figures.arrivalLatencyP99Ms = Percentile(arrivalLatencies, 99);
    }
    if (!intervals.empty()) {
        figures.intervalMedianMs = Median(intervals);
        figures.intervalP99Ms = Percentile(intervals, 99);
    }
    if (!gaps.empty()) {
        figures.gapMedianMs = Median(gaps);
        figures.gapMaxMs = *std::max_element(gaps.begin(), gaps.end());
    }
    if (!leads.empty()) {
        figures.leadMedianMs = Median(leads);
        figures.leadP99Ms = Percentile(leads, 99);
    }
    return figures;
}

double RequiredCopiesPerDelivered(uint64_t cameraFrames, uint64_t delivered, uint64_t imageBytes,
                                  uint64_t frameBytes)
{
    // Every sample a frame of frameBytes: which pin delivered it does not matter.
    return RequiredCopiesPerDelivered(cameraFrames, 0, delivered, imageBytes, frameBytes, frameBytes);
}

double RequiredCopiesPerDelivered(uint64_t cameraFrames, uint64_t captureDelivered, uint64_t previewDelivered,
                                  uint64_t imageBytes, uint64_t frameBytes, uint64_t captureFrameBytes)
{
    const uint64_t delivered = captureDelivered + previewDelivered;
    if (delivered == 0 || frameBytes == 0) {
        return 0;
    }
    const double frame = static_cast<double>(frameBytes);
    const double cameraCopies =
        static_cast<double>(cameraFrames) * (static_cast<double>(imageBytes) + frame) / frame;
    const double sampleCopies = static_cast<double>(previewDelivered) +
                                static_cast<double>(captureDelivered) * static_cast<double>(captureFrameBytes) / frame;
    return (cameraCopies + sampleCopies) / static_cast<double>(delivered);
}

double MeasuredCopiesPerDelivered(uint64_t copiedBytes, uint64_t deliveredBytes)
{
    if (copiedBytes == 0 || deliveredBytes == 0) {
        return kMissing;
    }
    return static_cast<double>(copiedBytes) / static_cast<double>(deliveredBytes);
}

double MeasuredCopyMsPerDelivered(uint64_t copiedBytes, uint64_t delivered, uint64_t frameBytes, double copyMs)
{
    if (copiedBytes == 0 || delivered == 0 || frameBytes == 0) {
        return kMissing;
    }
    return static_cast<double>(copiedBytes) / static_cast<double>(delivered) / static_cast<double>(frameBytes) *
           copyMs;
}

double CpuInCopies(double cpuMsPerSample, uint64_t bytes, uint64_t delivered, uint64_t frameBytes, double copyMs)
{
    const double copyMsPerSample = MeasuredCopyMsPerDelivered(bytes, delivered, frameBytes, copyMs);
    return std::isfinite(copyMsPerSample) && copyMsPerSample > 0 ? cpuMsPerSample / copyMsPerSample : kMissing;
}

bool IsScaled(int width, int height)
{
    return FitForSize(width, height) == FrameFit::ScaledWindow;
}

uint64_t SourceWindowBytes(int imageWidth, int imageHeight, int width, int height)
{
    int windowWidth = std::min(width, imageWidth);
    int windowHeight = std::min(height, imageHeight);
    if (IsScaled(width, height)) {
        const PictureRect window = LargestWindowWithAspect(imageWidth, imageHeight, width, height);
        // A window smaller than the frame is cut instead (never scaled up).
        if (window.width >= width && window.height >= height) {
            windowWidth = window.width;
            windowHeight = window.height;
        }
    }
    return static_cast<uint64_t>(std::max(windowWidth, 0)) * static_cast<uint64_t>(std::max(windowHeight, 0)) * 3;
}

uint64_t MemoryBudgetBytes(int buffersPerPin, uint64_t frameBytes, uint64_t captureFrameBytes, uint64_t imageBytes)
{
    const uint64_t samples = static_cast<uint64_t>(buffersPerPin) * (frameBytes + captureFrameBytes);
    const uint64_t controller = static_cast<uint64_t>(ImageRing::kBuffers) * imageBytes;
    const uint64_t camera = imageBytes;
    const uint64_t needed = samples + controller + camera;
    return needed + needed / 10;
}

uint64_t MemoryBudgetBytes(int pins, int buffersPerPin, uint64_t frameBytes, uint64_t imageBytes)
{
    const uint64_t samples = static_cast<uint64_t>(pins) * static_cast<uint64_t>(buffersPerPin) * frameBytes;
    const uint64_t controller = static_cast<uint64_t>(ImageRing::kBuffers) * imageBytes;
    const uint64_t camera = imageBytes;
    const uint64_t needed = samples + controller + camera;
    return needed + needed / 10;
}

} // namespace stats

#include <gtest/gtest.h>

#include <cmath>

#include "bench/RunStatistics.h"

using stats::PinFigures;
using stats::RunClock;

namespace {

// One tick is one millisecond in these timelines.
RunClock Clock(int64_t pause, int64_t windowStart, int64_t windowEnd)
{
    RunClock clock;
    clock.frequency = 1000;
    clock.pauseQpc = pause;
    clock.windowStart = windowStart;
    clock.windowEnd = windowEnd;
    return clock;
}

SampleRecord Stamped(int64_t received, uint32_t sequence, int64_t produced)
{
    SampleRecord record;
    record.receivedQpc = received;
    record.stamped = true;
    record.sequence = sequence;
    record.producedQpc = produced;
    return record;
}

SampleRecord Black(int64_t received)
{
    SampleRecord record;
    record.receivedQpc = received;
    return record;
}

SampleRecord Timed(int64_t received, double startMs, double endMs, double clockMs)
{
    SampleRecord record = Black(received);
    record.hasTimes = true;
    record.start = std::llround(startMs * 10000);
    record.end = std::llround(endMs * 10000);
    record.hasClockTime = true;
    record.clockTime = std::llround(clockMs * 10000);
    return record;
}

} // namespace

TEST(RunStatistics, MedianAndPercentile)
{
    EXPECT_EQ(0, stats::Median({}));
    EXPECT_EQ(3, stats::Median({5, 1, 3}));
    EXPECT_EQ(2.5, stats::Median({4, 1, 3, 2}));
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i) {
        hundred.push_back(i);
    }
    // Nearest rank: the smallest value that 99 % of the values do not exceed.
    EXPECT_EQ(99, stats::Percentile(hundred, 99));
    EXPECT_EQ(100, stats::Percentile(hundred, 100));
    EXPECT_EQ(10, stats::Percentile({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 99));
    EXPECT_EQ(7, stats::Percentile({7}, 99));
    EXPECT_EQ(0, stats::Percentile({}, 99));
}

TEST(RunStatistics, CountsRatesAndLatencyCoverTheWindowOnly)
{
    // Pause at 0, window 100..1100 (one second).
    const std::vector<SampleRecord> timeline = {
        Black(40),              // before the first camera frame
        Stamped(70, 1, 60),     // first stamped sample, before the window
        Stamped(100, 2, 90),    // window opens: latency 10
        Stamped(133, 3, 113),   // 20
        Stamped(166, 3, 113),   // duplicate of 3: 53
        Stamped(200, 6, 170),   // skips 4 and 5: 30
        Black(233),             // no stamp: counted, no latency
        Stamped(1200, 40, 1190) // after the window
    };
    const PinFigures figures = stats::SummarisePin(timeline, Clock(0, 100, 1100));
    EXPECT_EQ(5u, figures.delivered);
    EXPECT_DOUBLE_EQ(5.0, figures.framesPerSecond);
    EXPECT_EQ(4u, figures.stamped);
    EXPECT_EQ(3u, figures.distinctFrames);
    EXPECT_EQ(1u, figures.duplicates);
    EXPECT_EQ(2u, figures.missedFrames);
    EXPECT_DOUBLE_EQ(25, figures.latencyMedianMs); // 10 20 53 30
    EXPECT_DOUBLE_EQ(53, figures.latencyP99Ms);
    EXPECT_DOUBLE_EQ(20, figures.freshLatencyMedianMs); // the duplicate left out
    EXPECT_DOUBLE_EQ(70, figures.firstStampedMs);
    EXPECT_DOUBLE_EQ(40, figures.firstSampleMs);
    EXPECT_EQ(1u, figures.blackBeforeFirstStamped);
    // Intervals include the step from the last sample before the window.
    EXPECT_DOUBLE_EQ(33, figures.intervalMedianMs);
}

TEST(RunStatistics, NoStampedSampleLeavesLatencyAndStartMissing)
{
    const PinFigures figures = stats::SummarisePin({Black(10), Black(20)}, Clock(0, 0, 1000));
    EXPECT_EQ(2u, figures.delivered);
    EXPECT_EQ(0u, figures.stamped);
    EXPECT_TRUE(std::isnan(figures.latencyMedianMs));
    EXPECT_TRUE(std::isnan(figures.latencyP99Ms));
    EXPECT_TRUE(std::isnan(figures.firstStampedMs));
    EXPECT_TRUE(std::isnan(figures.gapMedianMs));
    EXPECT_TRUE(std::isnan(figures.leadMedianMs));

    const PinFigures empty = stats::SummarisePin({}, Clock(0, 0, 1000));
    EXPECT_EQ(0u, empty.delivered);
    EXPECT_TRUE(std::isnan(empty.intervalMedianMs));
}

TEST(RunStatistics, GapAndLeadOfTimeStampedSamples)
{
    RunClock clock = Clock(0, 0, 1000);
    clock.hasStreamBase = true;
    clock.streamBase = 500 * 10000; // the clock read 500 ms at stream time 0
    const std::vector<SampleRecord> timeline = {
        Timed(10, 12.6, 13.6, 500),   // stream time 0: 12.6 ahead
        Timed(50, 26.2, 228.6, 700),  // gap 12.6; stream time 200: 173.8 behind
        Timed(90, 241.2, 242.6, 566), // gap 12.6; stream time 66: 175.2 ahead
    };
    const PinFigures figures = stats::SummarisePin(timeline, clock);
    EXPECT_NEAR(12.6, figures.gapMedianMs, 1e-9);
    EXPECT_NEAR(12.6, figures.gapMaxMs, 1e-9);
    EXPECT_NEAR(12.6, figures.leadMedianMs, 1e-9);
    EXPECT_NEAR(175.2, figures.leadP99Ms, 1e-9);

    // Without a clock there is no stream time to lead.
    clock.hasStreamBase = false;
    EXPECT_TRUE(std::isnan(stats::SummarisePin(timeline, clock).leadMedianMs));
}

TEST(RunStatistics, RequiredCopiesCountTheCameraWorkOncePerFrame)
{
    const uint64_t frame = 3032ull * 2016 * 3;
    const uint64_t image = 3264ull * 2448 * 3;
    // Every camera frame delivered once on each of two pins: each delivered
    // frame carries half the fill and the crop, and its own copy.
    const double ideal = 1 + (double(image) / double(frame) + 1) / 2;
    EXPECT_NEAR(ideal, stats::RequiredCopiesPerDelivered(300, 600, image, frame), 1e-12);
    EXPECT_NEAR(2.1536, ideal, 1e-4);
    // Duplicates add deliveries without camera work.
    EXPECT_NEAR(1 + 300 * (double(image) / double(frame) + 1) / 900,
                stats::RequiredCopiesPerDelivered(300, 900, image, frame), 1e-12);
    EXPECT_EQ(0, stats::RequiredCopiesPerDelivered(300, 0, image, frame));
}

TEST(RunStatistics, AFullSizeCapturePinCopiesTheWholeImageForEachSample)
{
    const uint64_t frame = 3032ull * 2016 * 3;
    const uint64_t image = 3264ull * 2448 * 3;
    const double ratio = double(image) / double(frame);
    // Every camera frame delivered once on each pin: the fill and the crop
    // once, a whole image out to the capture pin, a frame to the preview pin.
    EXPECT_NEAR((300 * (ratio + 1) + 300 * ratio + 300) / 600,
                stats::RequiredCopiesPerDelivered(300, 300, 300, image, frame, image), 1e-12);
    EXPECT_NEAR(2.307, stats::RequiredCopiesPerDelivered(300, 300, 300, image, frame, image), 1e-3);
    // Frame-sized capture samples: the two-pin figure.
    EXPECT_NEAR(stats::RequiredCopiesPerDelivered(300, 600, image, frame),
                stats::RequiredCopiesPerDelivered(300, 250, 350, image, frame, frame), 1e-12);
    EXPECT_EQ(0, stats::RequiredCopiesPerDelivered(300, 0, 0, image, frame, image));
}

TEST(RunStatistics, MeasuredCopiesDivideTheCountedBytesByTheDeliveredOnes)
{
    const uint64_t frame = 3032ull * 2016 * 3;
    const uint64_t image = 3264ull * 2448 * 3;
    const struct {
        const char* what;
        uint64_t copied;
        uint64_t deliveredBytes;
        double copies; // NaN: missing
    } cases[] = {
        // Today's path, every camera frame once on each pin: the counted
        // bytes give the design's figure.
        {"fetch, crop and one copy per sample", 300 * (image + frame) + 600 * frame, 600 * frame,
         stats::RequiredCopiesPerDelivered(300, 600, image, frame)},
        // Each pin copying its window straight out of the image.
        {"no crop copy", 300 * image + 600 * frame, 600 * frame, 1 + double(image) / double(frame) / 2},
        // A full-size capture pin the camera fills directly, the preview pin
        // copying its window from that image: each sample counted in its own
        // size.
        {"capture filled by the camera", 300 * image + 300 * frame, 300 * image + 300 * frame, 1.0},
        {"counters not fed", 0, 600 * frame, stats::kMissing},
        {"nothing delivered", 300 * image, 0, stats::kMissing},
    };
    for (const auto& c : cases) {
        const double measured = stats::MeasuredCopiesPerDelivered(c.copied, c.deliveredBytes);
        if (std::isnan(c.copies)) {
            EXPECT_TRUE(std::isnan(measured)) << c.what;
        } else {
            EXPECT_NEAR(c.copies, measured, 1e-12) << c.what;
        }
    }

    // The copy time per delivered sample: the counted bytes in frame copies.
    EXPECT_NEAR(1.5 * 6.0, stats::MeasuredCopyMsPerDelivered(900 * frame, 600, frame, 6.0), 1e-12);
    EXPECT_TRUE(std::isnan(stats::MeasuredCopyMsPerDelivered(0, 600, frame, 6.0)));
    EXPECT_TRUE(std::isnan(stats::MeasuredCopyMsPerDelivered(900 * frame, 0, frame, 6.0)));
}

TEST(RunStatistics, MemoryBudgetIsThePathsBuffersPlusTenPercent)
{
    const uint64_t frame = 18337536;
    const uint64_t image = 23970816;
    // Three images in the controller's ring, one the camera keeps.
    const uint64_t needed = 6 * frame + 3 * image + image;
    EXPECT_EQ(205908480u, needed);
    EXPECT_EQ(needed + needed / 10, stats::MemoryBudgetBytes(2, 3, frame, image));
    EXPECT_EQ(needed + needed / 10, stats::MemoryBudgetBytes(3, frame, frame, image));
    // The capture pin's three buffers hold whole images.
    const uint64_t fullSize = 3 * (frame + image) + 3 * image + image;
    EXPECT_EQ(fullSize + fullSize / 10, stats::MemoryBudgetBytes(3, frame, image, image));
}

TEST(RunStatistics, SourceWindowIsTheCutOrTheScaledWindowOfTheImage)
{
    const struct {
        int imageWidth, imageHeight, width, height;
        uint64_t windowPixels;
    } cases[] = {
        // The whole sensor: cuts read their own window, 16:9 sizes the
        // image's full-width 16:9 window, 4:3 ones the whole image.
        {3264, 2448, 3032, 2016, 3032ull * 2016}, {3264, 2448, 3264, 2448, 3264ull * 2448},
        {3264, 2448, 1920, 1080, 3264ull * 1836}, {3264, 2448, 1280, 720, 3264ull * 1836},
        {3264, 2448, 640, 480, 3264ull * 2448},
        // A binned read-out: the native size is the image, 16:9 its exact
        // 3008 x 1692 window, 4:3 its full-height one.
        {3032, 2016, 3032, 2016, 3032ull * 2016}, {3032, 2016, 1920, 1080, 3008ull * 1692},
        {3032, 2016, 640, 480, 2688ull * 2016},
        // A cut larger than the image reads the whole image.
        {3032, 2016, 3264, 2448, 3032ull * 2016},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.windowPixels * 3, stats::SourceWindowBytes(c.imageWidth, c.imageHeight, c.width, c.height))
            << c.width << "x" << c.height << " from " << c.imageWidth << "x" << c.imageHeight;
    }
    // CPU in copies of those bytes: 6 ms per sample against 1.5 copies of 2 ms.
    EXPECT_NEAR(2.0, stats::CpuInCopies(6.0, 900 * 1000ull, 600, 1000, 2.0), 1e-12);
    EXPECT_TRUE(std::isnan(stats::CpuInCopies(6.0, 900 * 1000ull, 0, 1000, 2.0)));
}

TEST(RunStatistics, ArrivalLatencyCountsTheSamplesWhoseFramesArrivalIsKnown)
{
    SampleRecord unknown = Stamped(130, 2, 100);
    SampleRecord early = Stamped(120, 1, 95);
    early.arrivalQpc = 96;
    SampleRecord late = Stamped(160, 3, 130);
    late.arrivalQpc = 132;
    const PinFigures figures = stats::SummarisePin({early, unknown, late}, Clock(0, 100, 1100));
    EXPECT_DOUBLE_EQ(26, figures.arrivalLatencyMedianMs); // 24 and 28
    EXPECT_DOUBLE_EQ(28, figures.arrivalLatencyP99Ms);
    EXPECT_TRUE(std::isnan(stats::SummarisePin({unknown}, Clock(0, 100, 1100)).arrivalLatencyMedianMs));
}

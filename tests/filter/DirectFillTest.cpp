// The capture pin filled by the camera itself when streaming alone at a size the camera delivers uncut; with the
// preview pin, a crop or another image size the frames go through the controller's images. Whole, distinct frames.
#include <gtest/gtest.h>

#include <algorithm>

#include "camera/FramePathCounters.h"
#include "tests/filter/CaptureGraph.h"
#include "tests/support/TestWatchdog.h"
#include "win/ComObject.h"

using namespace filtertest;

namespace {

class DirectFill : public FilterTest {};

struct Copied {
    uint64_t camera, samples;
};

Copied CopiedNow()
{
    return {FramePathCopies().cameraBytes.load(), FramePathCopies().sampleBytes.load()};
}

// Every sample a whole frame, and the stamped ones distinct camera frames in order.
void ExpectWholeDistinctFrames(const std::vector<SampleRecord>& samples)
{
    uint32_t previous = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(kFrameBytes, samples[i].actualLength) << "sample " << i;
        if (IsStamp(samples[i].stamp)) {
            EXPECT_GT(samples[i].stamp.sequence, previous) << "sample " << i << " repeats a frame";
            previous = samples[i].stamp.sequence;
        }
    }
    EXPECT_GT(previous, 0u) << "no camera frame arrived";
}

} // namespace

TEST_F(DirectFill, OnlyACapturePinAloneAtAnUncutSizeIsFilledWithoutACopy)
{
    testenv::AllowTestToRun(180000);
    const struct {
        const char* name;
        uint8_t resolution;
        bool preview, direct;
    } cases[] = {
        {"index 1, capture alone", 1, false, true},
        {"index 2, capture alone", 2, false, true},
        {"index 1, both pins", 1, true, false},
        {"index 0 (a crop), capture alone", 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StoreResolution(c.resolution);
        const ComPtr<SampleLog> captureLog = win::MakeComObject<SampleLog>();
        const ComPtr<SampleLog> previewLog = win::MakeComObject<SampleLog>();
        GraphPlan plan = LoggedPlanWithoutClock(captureLog.Get(), c.preview ? previewLog.Get() : nullptr);
        plan.connectPreview = c.preview;
        CaptureGraph graph(plan);
        ASSERT_EQ(S_OK, graph.built);
        ASSERT_TRUE(SUCCEEDED(graph.Control()->Run()));
        ASSERT_TRUE(captureLog->WaitForMore(3));
        const Copied before = CopiedNow();
        const size_t samplesBefore = captureLog->Count() + (c.preview ? previewLog->Count() : 0);
        ASSERT_TRUE(captureLog->WaitForMore(10));
        const Copied after = CopiedNow();
        const size_t delivered = captureLog->Count() + (c.preview ? previewLog->Count() : 0) - samplesBefore;
        ASSERT_EQ(S_OK, graph.Stop());

        if (c.direct) {
            EXPECT_EQ(after.samples, before.samples) << "the controller copied frames";
            EXPECT_GT(after.camera, before.camera);
        } else {
            // At least one frame copied per sample delivered in the window (a sample may be counted after the copy).
            EXPECT_GE(after.samples - before.samples, static_cast<uint64_t>(delivered - 2) * kFrameBytes);
        }
        ExpectWholeDistinctFrames(captureLog->Records());
    }
}

TEST_F(DirectFill, AnImageOfAnotherSizeIsCutToTheFrameAndTheDirectFillResumesAfter)
{
    StoreResolution(1);
    const ComPtr<SampleLog> captureLog = win::MakeComObject<SampleLog>();
    GraphPlan plan = LoggedPlanWithoutClock(captureLog.Get(), nullptr);
    plan.connectPreview = false;
    CaptureGraph graph(plan);
    ASSERT_EQ(S_OK, graph.built);
    ASSERT_TRUE(SUCCEEDED(graph.Control()->Run()));
    ASSERT_TRUE(captureLog->WaitForMore(3));

    // Larger (cropped), then smaller (centred on black): the SDK would write past the sample, so the frame is cut
    // from an image of the controller's.
    for (const auto& size : {std::make_pair(3264, 2448), std::make_pair(640, 480)}) {
        SimChangeImageSize(size.first, size.second);
        const Copied before = CopiedNow();
        ASSERT_TRUE(captureLog->WaitForMore(5));
        EXPECT_GT(CopiedNow().samples, before.samples) << size.first << " x " << size.second;
    }
    ASSERT_GT(captureLog->Records().size(), 0u);
    EXPECT_TRUE(captureLog->Records().back().bottomRowBlack) << "the small image is centred on black";

    // The camera's own size again: straight into the samples.
    SimChangeImageSize(kFrameWidth, kFrameHeight);
    ASSERT_TRUE(captureLog->WaitForMore(3));
    const Copied before = CopiedNow();
    ASSERT_TRUE(captureLog->WaitForMore(5));
    EXPECT_EQ(CopiedNow().samples, before.samples);
    ASSERT_EQ(S_OK, graph.Stop());
    ExpectWholeDistinctFrames(captureLog->Records());
}

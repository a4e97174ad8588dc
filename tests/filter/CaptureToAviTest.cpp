// End to end on Wine's own components: the capture pin into Wine's AVI mux, the preview pin into a null renderer,
// sample grabbers showing what the pins deliver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/filter/CaptureGraph.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"
#include "win/ComObject.h"

using namespace filtertest;

namespace {

class CaptureToAvi : public FilterTest {};

TEST_F(CaptureToAvi, FiveSecondRunWritesOneFrameTimePerCaptureSample)
{
    const std::string path = testenv::TempPath("capture.avi");
    DeleteFileA(path.c_str());
    const ComPtr<SampleLog> previewLog = win::MakeComObject<SampleLog>();
    GraphPlan plan;
    plan.aviPath = path;
    plan.previewLog = previewLog.Get();
    double seconds = 0;
    long captured = 0;
    {
        CaptureGraph graph(plan);
        ASSERT_EQ(S_OK, graph.built);
        seconds = graph.RunFor(5000);
        const ComPtr<IAMDroppedFrames> counters = graph.CaptureDroppedFrames();
        ASSERT_TRUE(counters);
        EXPECT_EQ(S_OK, counters->GetNumNotDropped(&captured));
    }
    const testenv::VideoProbe probe = testenv::Ffprobe(path);
    std::printf("run %.2f s: %ld capture samples (%.1f per second), %zu preview samples; "
                "file: %ld frames, %.2f s\n",
                seconds, captured, captured / seconds, previewLog->Count(), probe.frames, probe.duration);

    DeleteFileA(path.c_str()); // about 18 MB a frame
    ASSERT_TRUE(probe.ok) << probe.report;
    EXPECT_EQ("avi", probe.format);
    EXPECT_EQ(3032, probe.width);
    EXPECT_EQ(2016, probe.height);
    EXPECT_EQ("bgr24", probe.pixFmt) << probe.report;
    // The file plays at the camera's rate, one frame time per delivered sample (the last may be in flight at Stop).
    // Wine's mux stores the frames of its first 2 GiB (about 117 of this size) and indexes later ones as empty;
    // how many ffprobe reads past that depends on which index it trusts, so only the stored ones count.
    const double frameTime = 1 / 30.0;
    EXPECT_NEAR(captured * frameTime, probe.duration, 2 * frameTime);
    EXPECT_GE(probe.frames, std::min(captured, 110L));
    if (captured < 110) {
        EXPECT_LE(probe.frames, captured);
    }
    // So the file lasts as long as the run while the capture pin keeps its cadence. Wine's mux writes one frame per
    // sample whatever the stamps, at 14 to 31 samples of 18 MB a second here depending on the load: the file's
    // length against the wall clock is the machine's speed, the benchmark's to measure.
    EXPECT_GE(captured, 20);
    EXPECT_GE(previewLog->Count(), 5u);
}

TEST_F(CaptureToAvi, CaptureStampsTrackRealTimeAndEverySampleHoldsAFreshFrame)
{
    const ComPtr<SampleLog> captureLog = win::MakeComObject<SampleLog>();
    const ComPtr<SampleLog> previewLog = win::MakeComObject<SampleLog>();
    LONGLONG stopQpc = 0;
    {
        CaptureGraph graph(LoggedPlanWithoutClock(captureLog.Get(), previewLog.Get()));
        ASSERT_EQ(S_OK, graph.built);
        graph.RunFor(3000);
        stopQpc = graph.stopRequestedQpc;
    }
    // Once the first pin stops, the camera is closed for both and the other pin repeats its last frame.
    const auto beforeStop = [stopQpc](std::vector<SampleRecord> records) {
        records.erase(std::remove_if(records.begin(), records.end(),
                                     [stopQpc](const SampleRecord& sample) { return sample.receivedQpc >= stopQpc; }),
                      records.end());
        return records;
    };
    const std::vector<SampleRecord> captured = beforeStop(captureLog->Records());
    const std::vector<SampleRecord> previewed = beforeStop(previewLog->Records());
    std::printf("%zu capture samples, %zu preview samples in 3 s\n", captured.size(), previewed.size());

    // Capture samples: stamped, increasing (a fill in the same millisecond tick ends where the previous one starts).
    ASSERT_GE(captured.size(), 20u);
    for (size_t i = 0; i < captured.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(captured[i].hasTimes);
        EXPECT_TRUE(captured[i].syncPoint);
        EXPECT_LE(captured[i].start, captured[i].end);
        if (i > 0) {
            EXPECT_GT(captured[i].start, captured[i - 1].end);
        }
    }
    // The end times advance as far as the camera produced the frames (each copied within a frame interval). Delivery
    // times would not do: the first samples wait in the paused renderer until the graph runs.
    const auto firstStamped = std::find_if(captured.begin(), captured.end(),
                                           [](const SampleRecord& sample) { return IsStamp(sample.stamp); });
    ASSERT_NE(captured.end(), firstStamped);
    const SampleRecord& last = captured.back();
    const double stampSpan = (last.end - firstStamped->end) / 1e7;
    const double frameSpan = QpcSeconds(static_cast<LONGLONG>(last.stamp.qpc - firstStamped->stamp.qpc));
    EXPECT_NEAR(frameSpan, stampSpan, 0.1 * frameSpan + 0.07);

    ASSERT_GE(previewed.size(), 20u);
    for (const SampleRecord& sample : previewed) {
        EXPECT_FALSE(sample.hasTimes);
        EXPECT_TRUE(sample.syncPoint);
    }

    // Every sample holds a frame its pin has not delivered before, produced moments before. The capture pin waits for
    // the camera's first frame; the preview pin's wait may time out once before it (black).
    for (const std::vector<SampleRecord>* log : {&captured, &previewed}) {
        SCOPED_TRACE(log == &captured ? "capture" : "preview");
        size_t unstamped = 0;
        uint32_t previous = 0;
        for (const SampleRecord& sample : *log) {
            if (!IsStamp(sample.stamp)) {
                EXPECT_EQ(0u, previous) << "an unstamped sample after stamped ones";
                ++unstamped;
                continue;
            }
            EXPECT_GT(sample.stamp.sequence, previous) << "a frame delivered twice";
            previous = sample.stamp.sequence;
            EXPECT_LT(QpcSeconds(sample.receivedQpc - static_cast<LONGLONG>(sample.stamp.qpc)), 0.5);
        }
        EXPECT_LE(unstamped, log == &captured ? 0u : 1u);
    }
}

TEST_F(CaptureToAvi, OnTheGraphClockCaptureRunsAtTheCameraRateWithStampsAtStreamTimeAcrossPauses)
{
    const ComPtr<SampleLog> captureLog = win::MakeComObject<SampleLog>();
    GraphPlan plan;
    plan.captureLog = captureLog.Get(); // into a null renderer that presents at the start times
    CaptureGraph graph(plan);
    ASSERT_EQ(S_OK, graph.built);
    captureLog->ReadStreamTimeOf(graph.camera.object);
    CCamera* camera = graph.camera.object->Camera();

    // Two runs with a pause between them, each measured once it has settled.
    struct Window {
        LONGLONG from = 0, to = 0;
        LONG cameraFrames = 0;
    } windows[2];
    for (Window& window : windows) {
        ASSERT_TRUE(SUCCEEDED(graph.Control()->Run()));
        Sleep(300);
        window.from = QpcNow();
        const LONG framesBefore = camera->m_FramesReceived;
        Sleep(2000);
        window.cameraFrames = camera->m_FramesReceived - framesBefore;
        window.to = QpcNow();
        if (&window == &windows[0]) {
            ASSERT_TRUE(SUCCEEDED(graph.Control()->Pause()));
            Sleep(1500); // without re-anchoring, the stamps would lead by this
        }
    }
    EXPECT_EQ(S_OK, graph.Stop());

    const std::vector<SampleRecord> records = captureLog->Records();
    // Moving onto the stream time never takes the stamps back (a mux stops taking samples whose times go back).
    for (size_t i = 1; i < records.size(); ++i) {
        EXPECT_GE(records[i].start, records[i - 1].end) << "sample " << i;
    }
    for (const Window& window : windows) {
        SCOPED_TRACE(&window == &windows[0] ? "first run" : "run after the pause");
        size_t samples = 0;
        for (const SampleRecord& sample : records) {
            if (sample.receivedQpc < window.from || sample.receivedQpc >= window.to) {
                continue;
            }
            ++samples;
            ASSERT_TRUE(sample.hasTimes && sample.hasStreamTime);
            // A sample arrives as stamped: it ends at the stream time of its fill and starts within a frame before.
            const double lead = (sample.start - sample.streamTime) / 1e7;
            EXPECT_LT(lead, 0.05);
            EXPECT_GT(lead, -0.3);
        }
        std::printf("%zu capture samples, %ld camera frames in 2 s\n", samples, window.cameraFrames);
        // The renderer does not hold samples back: one per camera frame (one landing during a copy is taken next time).
        EXPECT_GE(static_cast<double>(samples), 0.8 * window.cameraFrames);
        EXPECT_GE(window.cameraFrames, 30);
    }
}

} // namespace

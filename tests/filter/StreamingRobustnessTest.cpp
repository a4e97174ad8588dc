// The streaming filter in Wine's filter graph: prompt Stop, repeated cycles without leaks, and settings changed
// from another thread while both pins stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <thread>

#include "tests/filter/CaptureGraph.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/WaitFor.h"
#include "win/ComObject.h"

using namespace filtertest;

namespace {

class StreamingRobustness : public FilterTest {};

TEST_F(StreamingRobustness, StopReturnsWithinASecondWhetherRunningOrPaused)
{
    CaptureGraph graph(GraphPlan{});
    ASSERT_EQ(S_OK, graph.built);
    // Running, and paused (the renderers then hold both workers in Receive).
    for (bool running : {true, false}) {
        SCOPED_TRACE(running ? "running" : "paused");
        ASSERT_TRUE(SUCCEEDED(running ? graph.Control()->Run() : graph.Control()->Pause()));
        Sleep(700);
        const LONGLONG start = QpcNow();
        EXPECT_EQ(S_OK, graph.Control()->Stop());
        EXPECT_LT(SecondsSince(start), 1.0);
    }
}

TEST_F(StreamingRobustness, HundredPauseRunStopCyclesLeaveNothingBehind)
{
    testenv::AllowTestToRun(600000);
    {
        // Warm up: the graph's and the runtime's one-time set-up happens here.
        CaptureGraph graph(GraphPlan{});
        ASSERT_EQ(S_OK, graph.built);
        graph.RunFor(200);
    }
    std::thread([] {}).join();
    const testenv::CountsBaseline baseline;
    const LONG objects = liveObjectCount;
    {
        CaptureGraph graph(GraphPlan{});
        ASSERT_EQ(S_OK, graph.built);
        for (int cycle = 0; cycle < 100; ++cycle) {
            ASSERT_TRUE(SUCCEEDED(graph.Control()->Pause())) << "cycle " << cycle;
            ASSERT_TRUE(SUCCEEDED(graph.Control()->Run())) << "cycle " << cycle;
            Sleep(20);
            ASSERT_EQ(S_OK, graph.Control()->Stop()) << "cycle " << cycle;
        }
        EXPECT_GE(graph.camera.object->Camera()->m_FramesFetched, 100);
    }
    EXPECT_EQ(objects, liveObjectCount);
    EXPECT_TRUE(baseline.Restored(5000));
}

// Whether a row crosses the colour bars: several sharp steps between neighbours (the grey band, ramp and track
// have at most the marker's two), whatever the gains and gamma.
bool RowCrossesBars(const std::vector<BYTE>& frame, int row)
{
    const BYTE* pixel = frame.data() + static_cast<size_t>(row) * kFrameWidth * 3;
    int steps = 0;
    for (int x = 1; x < kFrameWidth; ++x, pixel += 3) {
        const int difference = std::abs(pixel[3] - pixel[0]) + std::abs(pixel[4] - pixel[1]) + std::abs(pixel[5] - pixel[2]);
        steps += difference > 40 ? 1 : 0;
    }
    return steps >= 4;
}

// Keeps the first and last rows of each frame, to tell a whole frame from one torn between two pictures.
class FrameHalves : public SampleLog {
public:
    std::atomic<int> whole{0};
    std::atomic<int> torn{0};
    HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        if (sample->GetSize() >= kFrameWidth * kFrameHeight * 3 && SUCCEEDED(sample->GetPointer(&data)) &&
            IsStamp(StampIn(data, sample->GetSize()))) {
            const std::vector<BYTE> frame(data, data + static_cast<size_t>(kFrameWidth) * kFrameHeight * 3);
            // The bars fill one half: the top, or the bottom when vertically mirrored; never both, never neither.
            const bool low = RowCrossesBars(frame, kFrameHeight / 8);
            const bool high = RowCrossesBars(frame, kFrameHeight * 7 / 8);
            (low != high ? whole : torn)++;
        }
        return SampleLog::SampleCB(time, sample);
    }
};

TEST_F(StreamingRobustness, SettingsChangedFromAnotherThreadWhileBothPinsStream)
{
    const ComPtr<FrameHalves> captureLog = win::MakeComObject<FrameHalves>();
    const ComPtr<FrameHalves> previewLog = win::MakeComObject<FrameHalves>();
    CaptureGraph graph(LoggedPlanWithoutClock(captureLog.Get(), previewLog.Get()));
    ASSERT_EQ(S_OK, graph.built);
    const ComPtr<ICameraSettings> settings = SettingsOf(graph.camera.filter.Get());
    ASSERT_TRUE(settings);

    ASSERT_TRUE(SUCCEEDED(graph.Control()->Run()));
    std::atomic<bool> done{false};
    std::atomic<int> changes{0};
    std::thread changer([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CameraConfig config;
        EXPECT_EQ(S_OK, settings->GetConfig(&config));
        for (int i = 0; !done; ++i) {
            config.m_VMirror = i % 2;
            config.m_HMirror = (i / 2) % 2;
            config.m_Color.m_Gamma = static_cast<uint8_t>(60 + i % 80);
            config.m_Color.m_GainR = 60 + i % 100;
            // Now and then a new resolution index: saved, not sent until the next open.
            config.m_Format.m_Resolution = static_cast<uint8_t>(i % 7 == 0 ? 1 : 0);
            EXPECT_EQ(S_OK, settings->SetConfig(&config));
            CameraConfig read;
            EXPECT_EQ(S_OK, settings->GetConfig(&read));
            ++changes;
            Sleep(5);
        }
        CoUninitialize();
    });
    // At least three seconds, and on a busy machine until enough changes and frames have crossed.
    Sleep(3000);
    testenv::WaitFor([&] { return changes > 50 && captureLog->whole > 20 && previewLog->whole > 20; }, 57000);
    done = true;
    changer.join();
    const LONGLONG start = QpcNow();
    EXPECT_EQ(S_OK, graph.Control()->Stop());
    EXPECT_LT(SecondsSince(start), 1.0);

    std::printf("%d settings changes; capture %d whole, %d torn; preview %d whole, %d torn\n", changes.load(),
                captureLog->whole.load(), captureLog->torn.load(), previewLog->whole.load(), previewLog->torn.load());
    EXPECT_GT(changes, 50);
    EXPECT_GT(captureLog->whole, 20);
    EXPECT_GT(previewLog->whole, 20);
    EXPECT_EQ(0, captureLog->torn);
    EXPECT_EQ(0, previewLog->torn);
}

} // namespace

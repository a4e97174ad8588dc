// Camera failures through the simulated camera, in Wine's filter graph: the
// message boxes a person answers, a Pause that tries again once the fault is
// gone, and frames that stop mid-run.
#include <gtest/gtest.h>

#include "tests/filter/CaptureGraph.h"
#include "win/ComObject.h"
#include "win/Watchdog.h"

using namespace filtertest;

namespace {

class CameraFaults : public FilterTest {
protected:
    LONG CaptureFetches(CaptureGraph& graph) { return graph.camera.object->Camera()->m_FramesFetched; }
};

TEST_F(CameraFaults, AFailingCameraShowsItsBoxFailsThePauseAndTheNextPauseStreams)
{
    win::Watchdog watchdog(60000, "camera failure boxes");
    const struct {
        int fault;
        const char* text;
    } faults[] = {{SimFaultCameraInit, "Camera init failed!"}, {SimFaultCameraPlay, "Camera play failed!"}};
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.text);
        GraphPlan plan;
        plan.withClock = false; // the capture renderer takes samples as they come
        CaptureGraph graph(plan);
        ASSERT_EQ(S_OK, graph.built);
        MessageBoxAnswerer person;

        SimSetFault(fault.fault, 1);
        EXPECT_EQ(E_FAIL, PauseResult(graph));
        EXPECT_EQ(std::vector<std::string>{fault.text}, person.Texts());
        graph.Control()->Stop();

        SimSetFault(fault.fault, 0);
        EXPECT_EQ(S_OK, PauseResult(graph));
        EXPECT_TRUE(SUCCEEDED(graph.Control()->Run()));
        Sleep(500);
        EXPECT_GT(CaptureFetches(graph), 5);
        EXPECT_EQ(S_OK, graph.Control()->Stop());
        EXPECT_EQ(1u, person.Texts().size());
    }
}

TEST_F(CameraFaults, WhenFramesStopThePreviewRedeliversTheLastEveryHalfSecondAndStopStillWorks)
{
    win::Watchdog watchdog(60000, "unplugged camera");
    const ComPtr<SampleLog> previewLog = win::MakeComObject<SampleLog>();
    GraphPlan plan;
    plan.previewLog = previewLog.Get();
    CaptureGraph graph(plan);
    ASSERT_EQ(S_OK, graph.built);
    ASSERT_TRUE(SUCCEEDED(graph.Control()->Run()));
    Sleep(1000);
    SimSetFault(SimFaultUnplugged, 1);
    Sleep(300); // the frame in flight arrives
    const size_t unpluggedFrom = previewLog->Count();
    Sleep(2200);
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    EXPECT_EQ(S_OK, graph.Control()->Stop());
    QueryPerformanceCounter(&after);
    EXPECT_LT(static_cast<double>(after.QuadPart - before.QuadPart) / frequency.QuadPart, 1.0);

    const std::vector<SampleRecord> samples = previewLog->Records();
    ASSERT_GE(samples.size(), unpluggedFrom + 3);
    for (size_t i = unpluggedFrom + 1; i < samples.size(); ++i) {
        SCOPED_TRACE(i);
        const double gap = static_cast<double>(samples[i].receivedQpc - samples[i - 1].receivedQpc) / frequency.QuadPart;
        EXPECT_NEAR(0.5, gap, 0.2);
        EXPECT_TRUE(IsStamp(samples[i].stamp));
        EXPECT_EQ(samples[unpluggedFrom].stamp.sequence, samples[i].stamp.sequence); // the last frame again
    }
}

} // namespace

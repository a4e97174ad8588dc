// Camera failures in Wine's filter graph: a Pause that fails at once and gives back its buffers, the message boxes
// (and the processes that get none), a Pause that tries again once the fault is gone, frames that stop mid-run.
#include <gtest/gtest.h>

#include <thread>

#include "filter/FailureBox.h"
#include "tests/filter/CaptureGraph.h"
#include "tests/support/ProcessCounters.h"
#include "win/ComObject.h"

using namespace filtertest;

namespace {

class CameraFaults : public FilterTest {
protected:
    LONG CaptureFetches(CaptureGraph& graph) { return graph.camera.object->Camera()->m_FramesFetched; }
    // No grabbers, and no clock: the capture renderer takes samples as they come.
    const GraphPlan withoutClock = LoggedPlanWithoutClock(nullptr, nullptr);
};

// No pin holds buffers: its allocator, if any, hands out none.
void ExpectDecommitted(CameraOutputPin* pin)
{
    IMemAllocator* allocator = pin->Allocator();
    if (!allocator) {
        return;
    }
    ComPtr<IMediaSample> sample;
    EXPECT_EQ(VFW_E_NOT_COMMITTED, allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, AM_GBF_NOWAIT));
}

TEST_F(CameraFaults, AFailingCameraFailsThePauseAtOnceShowsItsBoxAndTheNextPauseStreams)
{
    const struct {
        int fault;
        const char* text;
    } faults[] = {{SimFaultCameraInit, "Camera init failed!"}, {SimFaultCameraPlay, "Camera play failed!"}};
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.text);
        CaptureGraph graph(withoutClock);
        ASSERT_EQ(S_OK, graph.built);

        // Nobody answers the box yet: the Pause fails at once all the same, and gives back the buffers it committed.
        SimSetFault(fault.fault, 1);
        const LONGLONG start = QpcNow();
        EXPECT_EQ(E_FAIL, PauseResult(graph));
        EXPECT_LT(SecondsSince(start), 1.0);
        ExpectDecommitted(graph.camera.capture);
        ExpectDecommitted(graph.camera.preview);

        // The box is up, and a person answers it.
        MessageBoxAnswerer person;
        EXPECT_TRUE(person.WaitForTexts(1));
        EXPECT_EQ(std::vector<std::string>{fault.text}, person.Texts());
        EXPECT_EQ(S_OK, graph.Control()->Stop());

        SimSetFault(fault.fault, 0);
        EXPECT_EQ(S_OK, PauseResult(graph));
        EXPECT_TRUE(SUCCEEDED(graph.Control()->Run()));
        Sleep(500);
        EXPECT_GT(CaptureFetches(graph), 5);
        EXPECT_EQ(S_OK, graph.Control()->Stop());
        EXPECT_EQ(1u, person.Texts().size());
    }
}

TEST_F(CameraFaults, RepeatedFailuresShowOneBoxAndTheFilterMayGoWhileItIsUp)
{
    SimSetFault(SimFaultCameraInit, 1);
    {
        // Warm up: the graph's, the runtime's and the first message box's one-time set-up happens here.
        CaptureGraph graph(withoutClock);
        ASSERT_EQ(S_OK, graph.built);
        MessageBoxAnswerer person;
        EXPECT_EQ(E_FAIL, PauseResult(graph));
        EXPECT_TRUE(person.WaitForTexts(1));
        EXPECT_EQ(S_OK, graph.Control()->Stop());
    }
    std::thread([] {}).join();
    const testenv::CountsBaseline baseline;
    const LONG objects = liveObjectCount;
    {
        CaptureGraph graph(withoutClock);
        ASSERT_EQ(S_OK, graph.built);
        for (int attempt = 0; attempt < 3; ++attempt) {
            EXPECT_EQ(E_FAIL, PauseResult(graph)) << "attempt " << attempt;
            EXPECT_EQ(S_OK, graph.Control()->Stop());
        }
    }
    EXPECT_EQ(objects, liveObjectCount) << "the filter went with its box up";

    {
        MessageBoxAnswerer person;
        EXPECT_TRUE(person.WaitForTexts(1));
        Sleep(300); // time enough for a second box to be found, were there one
        EXPECT_EQ(std::vector<std::string>{"Camera init failed!"}, person.Texts());
    }
    EXPECT_TRUE(baseline.Restored(5000)) << "the box's thread ends with the box";
}

TEST_F(CameraFaults, WithoutAVisibleWindowStationAFailingPauseShowsNoBox)
{
    CaptureGraph graph(withoutClock);
    ASSERT_EQ(S_OK, graph.built);
    std::thread([] {}).join();
    const testenv::CountsBaseline baseline;
    ASSERT_TRUE(ProcessHasVisibleWindowStation()) << "the tests' own station is interactive";

    // The process moves to a window station of its own, as a service has, which nobody sees.
    HWINSTA interactive = GetProcessWindowStation();
    HWINSTA hidden = CreateWindowStationW(L"LumoraFaultTestStation", 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_NE(nullptr, hidden);
    ASSERT_TRUE(SetProcessWindowStation(hidden));
    EXPECT_FALSE(ProcessHasVisibleWindowStation());
    SimSetFault(SimFaultCameraInit, 1);
    const LONGLONG start = QpcNow();
    const HRESULT paused = PauseResult(graph);
    const double seconds = SecondsSince(start);
    SetProcessWindowStation(interactive);
    CloseWindowStation(hidden);

    EXPECT_EQ(E_FAIL, paused);
    EXPECT_LT(seconds, 1.0);
    EXPECT_TRUE(baseline.Restored()) << "no box, no thread waiting for one";
    EXPECT_EQ(nullptr, FindWindowA("#32770", "Lumora Camera"));
    EXPECT_EQ(S_OK, graph.Control()->Stop());
}

TEST_F(CameraFaults, WhenFramesStopThePreviewRedeliversTheLastEveryHalfSecondAndStopStillWorks)
{
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
    const LONGLONG before = QpcNow();
    EXPECT_EQ(S_OK, graph.Control()->Stop());
    EXPECT_LT(SecondsSince(before), 1.0);

    const std::vector<SampleRecord> samples = previewLog->Records();
    ASSERT_GE(samples.size(), unpluggedFrom + 3);
    for (size_t i = unpluggedFrom + 1; i < samples.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(0.5, QpcSeconds(samples[i].receivedQpc - samples[i - 1].receivedQpc), 0.2);
        EXPECT_TRUE(IsStamp(samples[i].stamp));
        EXPECT_EQ(samples[unpluggedFrom].stamp.sequence, samples[i].stamp.sequence); // the last frame again
    }
}

} // namespace

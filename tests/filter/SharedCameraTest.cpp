// The one camera shared by every filter of a process, and whole frames whatever the camera's image size, in Wine's
// filter graph.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "filter/FailureBox.h"
#include "tests/filter/CaptureGraph.h"
#include "tests/support/WaitFor.h"
#include "win/ComObject.h"

using namespace filtertest;

namespace {

class SharedCamera : public FilterTest {};

// Waits until log holds count more samples than now; the newest stamp's sequence then (0 when they did not come).
uint32_t NewestStampAfter(SampleLog* log, size_t count)
{
    return log->WaitForMore(count) ? log->Records().back().stamp.sequence : 0;
}

// The journal's calls that open, start, stop or close the camera.
std::vector<std::string> LifecycleCalls()
{
    std::vector<std::string> calls = JournalLines();
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [](const std::string& call) {
                                   return call.rfind("CameraInit(", 0) != 0 && call != "CameraUnInit()" &&
                                          call != "CameraPlay()" && call != "CameraStop()";
                               }),
                calls.end());
    return calls;
}

TEST_F(SharedCamera, ASecondGraphIsRefusedWhileTheFirstStreamsOn)
{
    const ComPtr<SampleLog> firstLog = win::MakeComObject<SampleLog>();
    auto first = std::make_unique<CaptureGraph>(LoggedPlanWithoutClock(firstLog.Get(), nullptr));
    ASSERT_EQ(S_OK, first->built);
    ASSERT_TRUE(SUCCEEDED(first->Control()->Run()));
    const uint32_t before = NewestStampAfter(firstLog.Get(), 3);
    ASSERT_GT(before, 0u);

    {
        MessageBoxAnswerer person;
        CaptureGraph second(GraphPlan{});
        ASSERT_EQ(S_OK, second.built);
        SimClearJournal();
        // The filter's own result, as the graph receives it; Wine's graph passes any filter's failure on as E_FAIL.
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_BUSY), CameraOutputPin::kCameraInUseResult);
        EXPECT_EQ(CameraOutputPin::kCameraInUseResult, second.camera.filter->Pause());
        EXPECT_EQ(S_OK, second.camera.filter->Stop());
        // While the first box is up the same text shows no second one: the person closes it before the Pause fails.
        EXPECT_TRUE(testenv::WaitFor([&] { return !FailureBoxIsUp(CameraOutputPin::kCameraInUseText); }));
        EXPECT_TRUE(FAILED(PauseResult(second)));
        const std::vector<std::string> twice(2, CameraOutputPin::kCameraInUseText);
        EXPECT_TRUE(testenv::WaitFor([&] { return person.Texts().size() >= 2; }));
        EXPECT_EQ(twice, person.Texts());
        EXPECT_EQ(S_OK, second.Control()->Stop());
        // The second graph, filter and controller go here.
    }
    EXPECT_EQ(std::vector<std::string>{}, LifecycleCalls()) << "the second graph touched the camera";

    // The first streams on with fresh frames.
    const uint32_t after = NewestStampAfter(firstLog.Get(), 5);
    EXPECT_GT(after, before);
    EXPECT_GT(NewestStampAfter(firstLog.Get(), 5), after);

    // Once the first graph has stopped, another one streams.
    ASSERT_EQ(S_OK, first->Stop());
    first.reset();
    const ComPtr<SampleLog> thirdLog = win::MakeComObject<SampleLog>();
    CaptureGraph third(LoggedPlanWithoutClock(thirdLog.Get(), nullptr));
    ASSERT_EQ(S_OK, third.built);
    EXPECT_EQ(S_OK, PauseResult(third));
    ASSERT_TRUE(SUCCEEDED(third.Control()->Run()));
    EXPECT_GT(NewestStampAfter(thirdLog.Get(), 3), 0u);
}

TEST_F(SharedCamera, EverySampleIsAWholeFrameWhateverTheImageSize)
{
    // The camera's image starts smaller than the format, then grows while both pins stream: every sample states a
    // whole frame's length and carries the newest image's centre at its own.
    SimSetImageSize(640, 480);
    const ComPtr<SampleLog> captureLog = win::MakeComObject<SampleLog>();
    const ComPtr<SampleLog> previewLog = win::MakeComObject<SampleLog>();
    CaptureGraph graph(LoggedPlanWithoutClock(captureLog.Get(), previewLog.Get()));
    ASSERT_EQ(S_OK, graph.built);
    ASSERT_TRUE(SUCCEEDED(graph.Control()->Run()));
    ASSERT_GT(NewestStampAfter(captureLog.Get(), 5), 0u);
    ASSERT_GT(NewestStampAfter(previewLog.Get(), 5), 0u);
    const size_t smallCapture = captureLog->Count();
    const size_t smallPreview = previewLog->Count();

    SimChangeImageSize(3264, 2448);
    ASSERT_GT(NewestStampAfter(captureLog.Get(), 10), 0u);
    ASSERT_GT(NewestStampAfter(previewLog.Get(), 10), 0u);
    ASSERT_EQ(S_OK, graph.Stop());

    for (const auto& log : {std::make_pair("capture", captureLog.Get()), std::make_pair("preview", previewLog.Get())}) {
        SCOPED_TRACE(log.first);
        const std::vector<SampleRecord> samples = log.second->Records();
        for (size_t i = 0; i < samples.size(); ++i) {
            ASSERT_EQ(kFrameBytes, samples[i].actualLength) << "sample " << i;
            ASSERT_GE(samples[i].size, samples[i].actualLength) << "sample " << i;
        }
        // Small: centred on black (after the black frames before the first image). Large: cropped, no black row.
        const size_t small = log.second == captureLog.Get() ? smallCapture : smallPreview;
        const auto firstStamped = std::find_if(samples.begin(), samples.end(),
                                               [](const SampleRecord& sample) { return IsStamp(sample.stamp); });
        ASSERT_NE(samples.end(), firstStamped);
        for (auto sample = firstStamped; sample != samples.end(); ++sample) {
            EXPECT_TRUE(IsStamp(sample->stamp)) << "sample " << sample - samples.begin();
        }
        for (size_t i = 0; i < small; ++i) {
            EXPECT_TRUE(samples[i].bottomRowBlack) << "sample " << i;
        }
        EXPECT_FALSE(samples.back().bottomRowBlack);
    }
}

} // namespace

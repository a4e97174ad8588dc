// One camera per process: a second controller is refused while another has the camera open and never disturbs
// it; the controller fetches only images its buffer holds and cuts correct frames from images of any size.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "camera/Camera.h"
#include "camera/CameraSdk.h"
#include "camera/FrameReader.h"
#include "simcamera/SimControl.h"
#include "tests/camera/CentredCut.h"
#include "tests/support/FrameSizes.h"
#include "tests/support/SettingsRecord.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/WaitFor.h"

using namespace testenv;
using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

namespace {


class CameraOwnership : public testenv::SimCameraFixture {
protected:
    // Waits for a frame newer than the last one reader took, takes it and returns its sequence (0 when none came).
    static uint32_t NextFrame(FrameReader& reader, Bytes& frame)
    {
        if (!reader.Read(frame.data(), static_cast<long>(frame.size()), kFrame, kFrameTimeoutMs).fresh) {
            return 0;
        }
        const SimStamp stamp = StampOf(frame, kFrameWidth, kFrameHeight);
        return IsStamp(stamp) ? stamp.sequence : 0;
    }

    // Stops new frames and waits until every announced frame is handled: the picture holds still, no fetch under way.
    static void HoldFrames(CCamera& camera)
    {
        SimSetFault(SimFaultUnplugged, 1);
        ASSERT_TRUE(WaitFor([&] { return camera.m_FramesReceived == FrameCounters().posted; }, kFrameTimeoutMs));
    }

    // Row row of the frame cut from a width x height image.
    static Bytes ExpectedRow(const Bytes& image, int width, int height, int row)
    {
        Bytes expected(kFrame.stride, 0);
        for (int x = 0; x < kFrameWidth * 3; ++x) {
            expected[x] = cameratest::ExpectedByte(image, width, height, kFrameWidth, kFrameHeight, x / 3, row, x % 3);
        }
        return expected;
    }
};

} // namespace

TEST_F(CameraOwnership, ASecondControllerIsRefusedAndLeavesTheFirstStreaming)
{
    CCamera first;
    ASSERT_EQ(first.Init(), 1);
    ASSERT_EQ(first.Play(), 1);
    Bytes frame(kFrameBytes);
    FrameReader firstReader(first, FrameReader::Counting::Uncounted);
    const uint32_t before = NextFrame(firstReader, frame);
    ASSERT_GT(before, 0u);

    // Every step of the second controller, in the pins' order, its settings calls and the destructor's: refused,
    // kept for its own next open, or nothing to do, and not one SDK call.
    SimClearJournal();
    {
        CCamera second;
        const CameraConfig changed = testenv::SettingsOf({{testenv::setting::AeTarget, 200}});
        auto brighter = [](CameraConfig& record) { record.m_Exposure.m_Target = 90; };
        const struct {
            const char* step;
            std::function<int(CCamera&)> call;
            int result;
        } steps[] = {
            {"Init", [](CCamera& c) { return c.Init(); }, CCamera::kInitInUse},
            {"Init again", [](CCamera& c) { return c.Init(); }, CCamera::kInitInUse},
            {"Play", [](CCamera& c) { return c.Play(); }, 0},
            {"SetFrameSpeed", [](CCamera& c) { return c.SetFrameSpeed(2); }, 1},
            {"SetConfig", [&](CCamera& c) { return c.SetConfig(&changed); }, 1},
            {"GetConfig", [](CCamera& c) { CameraConfig read; return c.GetConfig(&read); }, 1},
            {"a change meant for the camera now",
             [&](CCamera& c) { return c.ChangeSettings(brighter, nullptr, CCamera::WhileHeldElsewhere::Refuse); },
             CCamera::kSettingsCameraInUse},
            {"Stop", [](CCamera& c) { return c.Stop(); }, 1},
            {"UnInit", [](CCamera& c) { return c.UnInit(); }, 1},
        };
        for (const auto& step : steps) {
            EXPECT_EQ(step.call(second), step.result) << step.step;
        }
        CameraConfig stored;
        ASSERT_EQ(stored.LoadFromFile(), 1);
        EXPECT_EQ(stored.m_Exposure.m_Target, 200) << "the refused change left the record as it was";
    }
    EXPECT_EQ(JournalLinesBesideFrames(), Lines{}) << "the second controller touched the camera";

    // The first goes on with fresh frames.
    const uint32_t after = NextFrame(firstReader, frame);
    EXPECT_GT(after, before);
    EXPECT_GT(NextFrame(firstReader, frame), after);

    // Once the first has closed, another may open; the first is then the one refused.
    ASSERT_EQ(first.Stop(), 1);
    ASSERT_EQ(first.UnInit(), 1);
    {
        CCamera next;
        EXPECT_EQ(next.Init(), 1);
        EXPECT_EQ(first.Init(), CCamera::kInitInUse);
        // Destroyed while open: the claim goes with it.
    }
    EXPECT_EQ(first.Init(), 1);
}

TEST_F(CameraOwnership, ControllersOpeningAtOnceOpenTheCameraOnce)
{
    const int kControllers = 4;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        SimClearJournal();
        std::vector<std::unique_ptr<CCamera>> cameras;
        for (int i = 0; i < kControllers; ++i) {
            cameras.push_back(std::make_unique<CCamera>());
        }
        std::atomic<int> ready{0};
        std::vector<int> results(kControllers, 0);
        std::vector<std::thread> threads;
        for (int i = 0; i < kControllers; ++i) {
            threads.emplace_back([&, i] {
                ++ready;
                while (ready < kControllers) {
                    Sleep(0);
                }
                results[i] = cameras[i]->Init();
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(std::count(results.begin(), results.end(), 1), 1);
        EXPECT_EQ(std::count(results.begin(), results.end(), CCamera::kInitInUse), kControllers - 1);
        const Lines calls = JournalLinesBesideFrames();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "CameraInit(1,0,1,1)"), 1);
    }
}

TEST_F(CameraOwnership, ImagesOfAnySizeBecomeWholeFramesEvenWhenTheSizeChangesMidStream)
{
    // The camera opens at 3032 x 2016, so the controller's buffer holds that; then the image changes size.
    testenv::AllowTestToRun(180000);
    const CameraConfig record = testenv::SettingsOf({{testenv::setting::Resolution, 1}});
    CCamera camera;
    camera.SetConfig(&record);
    ASSERT_EQ(camera.Init(), 1);
    ASSERT_EQ(camera.Play(), 1);

    const struct {
        const char* what;
        int width, height;
    } sizes[] = {
        {"larger in both: the whole sensor", 3264, 2448},
        {"smaller in both", 640, 480},
        {"wider and shorter", 3264, 480},
        {"narrower and taller", 640, 2448},
        {"the frame's own size", kFrameWidth, kFrameHeight},
    };
    FrameReader reader(camera, FrameReader::Counting::Uncounted);
    uint32_t previous = 0;
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.what);
        // Changed between frames: no fetch is under way.
        ASSERT_NO_FATAL_FAILURE(HoldFrames(camera));
        SimChangeImageSize(size.width, size.height);
        SimSetFault(SimFaultUnplugged, 0);
        Bytes frame(kFrameBytes + 64, 0xAB);
        // The camera takes the new size at a frame of its choosing: frames are taken until one comes at that size.
        uint32_t fresh = 0;
        int width = 0, height = 0;
        for (int attempt = 0; attempt < 20; ++attempt) {
            fresh = NextFrame(reader, frame);
            if (CameraGetImageSize(&width, &height) == 1 && width == size.width && height == size.height) {
                break;
            }
        }
        EXPECT_GT(fresh, previous) << "a fresh frame, its stamp at the frame's centre";
        previous = fresh;

        // Held still, the frame is compared with the image it was cut from (taken again if a frame came in between).
        ASSERT_NO_FATAL_FAILURE(HoldFrames(camera));
        ASSERT_EQ(CameraGetImageSize(&width, &height), 1);
        ASSERT_EQ(width, size.width);
        ASSERT_EQ(height, size.height);
        Bytes image(static_cast<size_t>(size.width) * size.height * 3);
        for (int attempt = 0; attempt < 5; ++attempt) {
            EXPECT_EQ(reader.Read(frame.data(), static_cast<long>(frame.size()), kFrame, 0).bytes, kFrameBytes);
            ASSERT_EQ(CameraGetImageDataRGB24(image.data()), 1);
            if (StampOf(image, size.width, size.height).sequence == StampOf(frame, kFrameWidth, kFrameHeight).sequence) {
                break;
            }
            Sleep(100);
        }
        EXPECT_EQ(Bytes(frame.end() - 64, frame.end()), Bytes(64, 0xAB)) << "wrote past the frame";
        const SimStamp stamp = StampOf(frame, kFrameWidth, kFrameHeight);
        ASSERT_TRUE(IsStamp(stamp));
        ASSERT_EQ(StampOf(image, size.width, size.height).sequence, stamp.sequence);
        for (int row : {0, 1, kFrameHeight / 2, kFrameHeight - 1}) {
            EXPECT_EQ(Bytes(frame.begin() + row * kFrame.stride, frame.begin() + (row + 1) * kFrame.stride),
                      ExpectedRow(image, size.width, size.height, row))
                << "frame row " << row;
        }
    }

    // With the size unknown, frames are skipped, never fetched.
    ASSERT_NO_FATAL_FAILURE(HoldFrames(camera));
    SimSetFault(SimFaultImageSize, 1);
    const SimCounters before = FrameCounters();
    const LONG received = camera.m_FramesReceived;
    SimSetFault(SimFaultUnplugged, 0);
    ASSERT_TRUE(WaitFor([&] { return FrameCounters().produced >= before.produced + 3; }, kFrameTimeoutMs));
    EXPECT_EQ(FrameCounters().fetched, before.fetched);
    EXPECT_EQ(camera.m_FramesReceived, received);
}

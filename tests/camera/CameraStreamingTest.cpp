// The controller streaming from the simulated camera through its real hidden
// window and message loop: open/close idempotence, frames and their stamps,
// the crop, the counters, the fetches' waits for fresh frames per consumer,
// capacity limits, leaks and faults.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "camera/Camera.h"
#include "camera/CameraSdk.h"
#include "camera/FramePathCounters.h"
#include "camera/ImageLimits.h"
#include "simcamera/SimControl.h"
#include "tests/camera/OpenJournal.h"
#include "tests/support/GuardedBuffer.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/WaitFor.h"
#include "diagnostics/Watchdog.h"

using testenv::FrameCounters;
using testenv::IsStamp;
using testenv::JournalLines;
using testenv::JournalLinesBesideFrames;
using testenv::StampOf;
using testenv::WaitFor;
using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

namespace {

const int kFrameWidth = 3032;
const int kFrameHeight = 2016;
const int kFrameBytes = kFrameWidth * kFrameHeight * 3;
const FrameLayout kFrame = FrameLayout::Rgb24Dib(kFrameWidth, kFrameHeight);
const DWORD kFrameTimeoutMs = 10000; // generous: two shared cores, Wine

class CameraStreaming : public testenv::SimCameraFixture {
protected:
    // Opens camera with the given resolution (through the settings record).
    static void OpenWithResolution(CCamera& camera, uint8_t resolution)
    {
        CameraConfig record;
        record.m_Format.m_Resolution = resolution;
        camera.SetConfig(&record);
        ASSERT_EQ(camera.Init(), 1);
    }

    // Waits until the controller has handled at least count more frames.
    static bool WaitForFrames(CCamera& camera, LONG count)
    {
        const LONG target = camera.m_FramesReceived + count;
        return WaitFor([&] { return camera.m_FramesReceived >= target; }, kFrameTimeoutMs);
    }

    // Waits until the controller has handled every frame the camera announced.
    static bool WaitForPostedFrames(CCamera& camera)
    {
        return WaitFor([&] { return camera.m_FramesReceived == FrameCounters().posted; }, kFrameTimeoutMs);
    }
};

} // namespace

TEST_F(CameraStreaming, OpenPlayStopCloseCallTheSdkOnlyWhenNeeded)
{
    win::Watchdog watchdog(60000, "open/close sequence");
    CCamera camera;
    Bytes frame(kFrameBytes, 0xAB);
    EXPECT_EQ(camera.GetFrameNoWait(frame.data(), kFrameBytes, kFrame), kFrameBytes);
    EXPECT_EQ(frame, Bytes(kFrameBytes, 0)) << "black before the first Init";
    EXPECT_EQ(camera.GetFrame(nullptr, kFrameBytes, kFrame), 0);

    ASSERT_EQ(camera.Init(), 1);
    EXPECT_EQ(JournalLines(), cameratest::OpenJournal(CameraConfig()));
    CameraConfig saved;
    EXPECT_EQ(saved.LoadFromFile(), 1) << "Init rewrites the settings file";

    // Each step a second time: 1, and no SDK call (the second pin's way).
    const auto onlyWhenNeeded = [&](int (CCamera::*step)(), const char* call) {
        SimClearJournal();
        (camera.*step)();
        EXPECT_EQ(JournalLinesBesideFrames(), Lines{call});
        SimClearJournal();
        EXPECT_EQ((camera.*step)(), 1) << call;
        EXPECT_TRUE(JournalLinesBesideFrames().empty()) << call;
    };
    SimClearJournal();
    EXPECT_EQ(camera.Init(), 1);
    EXPECT_TRUE(JournalLines().empty());
    onlyWhenNeeded(&CCamera::Play, "CameraPlay()");
    onlyWhenNeeded(&CCamera::Stop, "CameraStop()");
    onlyWhenNeeded(&CCamera::UnInit, "CameraUnInit()");

    // Closed: the image stays, so the other pin goes on delivering the last frame.
    EXPECT_EQ(camera.GetFrame(frame.data(), kFrameBytes, kFrame), kFrameBytes);
    EXPECT_EQ(camera.m_FramesFetched, 1) << "only GetFrameNoWait counts";
}

TEST_F(CameraStreaming, FramesArriveThroughTheCaptureWindowAndAreCounted)
{
    win::Watchdog watchdog(60000, "frames through the capture window");
    CCamera camera;
    OpenWithResolution(camera, 1); // 3032 x 2016: the image is the frame
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 5)) << "frames received: " << camera.m_FramesReceived;

    Bytes frame(kFrameBytes);
    uint32_t previous = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WaitForFrames(camera, 1));
        EXPECT_EQ(camera.GetFrameNoWait(frame.data(), kFrameBytes, kFrame), kFrameBytes);
        const SimStamp stamp = StampOf(frame, kFrameWidth, kFrameHeight);
        ASSERT_TRUE(IsStamp(stamp));
        EXPECT_GT(stamp.sequence, previous) << "a newer frame after a new message";
        previous = stamp.sequence;
    }
    EXPECT_EQ(camera.m_FramesFetched, 3);
    EXPECT_EQ(camera.GetFrame(frame.data(), kFrameBytes, kFrame), kFrameBytes);
    EXPECT_EQ(camera.m_FramesFetched, 3) << "GetFrame counts nothing";

    // Every posted frame message is handled, and each handling fetches once.
    ASSERT_EQ(camera.Stop(), 1);
    ASSERT_TRUE(WaitForPostedFrames(camera))
        << "received " << camera.m_FramesReceived << ", posted " << FrameCounters().posted;
    EXPECT_EQ(FrameCounters().fetched, camera.m_FramesReceived);

    // Init and UnInit reset neither counter.
    const LONG received = camera.m_FramesReceived;
    ASSERT_EQ(camera.UnInit(), 1);
    ASSERT_EQ(camera.Init(), 1);
    EXPECT_EQ(camera.m_FramesReceived, received);
    EXPECT_EQ(camera.m_FramesFetched, 3);
}

TEST_F(CameraStreaming, FullSensorImageIsCroppedToTheOfferedFrame)
{
    win::Watchdog watchdog(60000, "crop at resolution 0");
    CCamera camera;
    OpenWithResolution(camera, 0); // the simulated camera delivers 3264 x 2448
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 2));

    // Hold the picture still, then compare the frame with the image it came from.
    SimSetFault(SimFaultUnplugged, 1);
    ASSERT_TRUE(WaitForPostedFrames(camera));
    Bytes frame(kFrameBytes);
    camera.GetFrameNoWait(frame.data(), kFrameBytes, kFrame);
    const SimStamp stamp = StampOf(frame, kFrameWidth, kFrameHeight);
    ASSERT_TRUE(IsStamp(stamp)) << "the stamp sits at the frame's own centre";

    const int imageWidth = 3264;
    const int imageHeight = 2448;
    Bytes image(static_cast<size_t>(imageWidth) * imageHeight * 3);
    ASSERT_EQ(CameraGetImageDataRGB24(image.data()), 1); // the same frame again
    ASSERT_EQ(StampOf(image, imageWidth, imageHeight).sequence, stamp.sequence);
    const int x0 = (imageWidth - kFrameWidth) / 2;  // 116
    const int y0 = (imageHeight - kFrameHeight) / 2; // 216
    for (int row : {0, 1, kFrameHeight / 2, kFrameHeight - 1}) {
        const unsigned char* expected = image.data() + (static_cast<size_t>(row + y0) * imageWidth + x0) * 3;
        const unsigned char* actual = frame.data() + static_cast<size_t>(row) * kFrameWidth * 3;
        EXPECT_EQ(std::memcmp(actual, expected, kFrameWidth * 3), 0) << "frame row " << row;
    }
}

TEST_F(CameraStreaming, ImagesSmallerThanTheFrameAreCentredOnBlack)
{
    win::Watchdog watchdog(60000, "small image");
    SimSetImageSize(640, 480);
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    Bytes frame(kFrameBytes, 0xAB);
    EXPECT_EQ(camera.GetFrameNoWait(frame.data(), kFrameBytes, kFrame), kFrameBytes);
    EXPECT_TRUE(IsStamp(StampOf(frame, kFrameWidth, kFrameHeight))) << "the image's centre is the frame's";
    const size_t rowBytes = kFrameWidth * 3;
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + rowBytes), Bytes(rowBytes, 0)) << "black below the image";
    EXPECT_EQ(Bytes(frame.end() - rowBytes, frame.end()), Bytes(rowBytes, 0)) << "black above the image";
    const size_t middle = static_cast<size_t>(kFrameHeight / 2) * rowBytes;
    EXPECT_EQ(Bytes(frame.begin() + middle, frame.begin() + middle + 3 * 1196), Bytes(3 * 1196, 0))
        << "black left of the image";
    EXPECT_NE(Bytes(frame.begin() + middle + 3 * 1196, frame.begin() + middle + 3 * 1836), Bytes(3 * 640, 0));
}

TEST_F(CameraStreaming, GetFrameDeliversThePreviousFrameAgainWhenNoneComes)
{
    win::Watchdog watchdog(60000, "GetFrame timeout");
    CCamera camera;
    OpenWithResolution(camera, 1);
    Bytes frame(kFrameBytes);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 2));
    EXPECT_EQ(camera.GetFrame(frame.data(), kFrameBytes, kFrame), kFrameBytes);
    EXPECT_TRUE(IsStamp(StampOf(frame, kFrameWidth, kFrameHeight)));

    SimSetFault(SimFaultUnplugged, 1);
    ASSERT_TRUE(WaitForPostedFrames(camera));
    camera.GetFrame(frame.data(), kFrameBytes, kFrame); // takes a frame that came meanwhile, if any
    const uint32_t last = StampOf(frame, kFrameWidth, kFrameHeight).sequence;

    // Without a sequence of its own and with one of the newest frame, alike.
    LONG sequence = camera.m_FramesReceived;
    for (LONG* kept : {static_cast<LONG*>(nullptr), &sequence}) {
        std::memset(frame.data(), 0, frame.size());
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(camera.GetFrame(frame.data(), kFrameBytes, kFrame, kept), kFrameBytes);
        const ULONGLONG waited = GetTickCount64() - start;
        EXPECT_GE(waited, 450u) << "waits about 500 ms for a frame";
        EXPECT_LT(waited, 5000u);
        EXPECT_EQ(StampOf(frame, kFrameWidth, kFrameHeight).sequence, last) << "the previous frame, delivered again";
    }
    EXPECT_EQ(sequence, camera.m_FramesReceived) << "the sequence of the frame delivered again";

    // Frames resume: GetFrame returns with a new one.
    SimSetFault(SimFaultUnplugged, 0);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    camera.GetFrame(frame.data(), kFrameBytes, kFrame);
    EXPECT_GT(StampOf(frame, kFrameWidth, kFrameHeight).sequence, last);
}

TEST_F(CameraStreaming, TwoConsumersEachTakeEveryFrameOnce)
{
    // The two pins' ways: GetFrame with its own sequence (preview), and a wait
    // for a newer frame followed by GetFrameNoWait (capture). Small frames,
    // so that each consumer is back long before the next frame.
    win::Watchdog watchdog(60000, "two consumers");
    SimSetImageSize(640, 480);
    const int bytes = 640 * 480 * 3;
    const FrameLayout layout = FrameLayout::Rgb24Dib(640, 480);
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1);
    ASSERT_EQ(camera.Play(), 1);
    const int kFrames = 40;
    struct Taken {
        LONG sequence;
        uint32_t stamp;
    };
    std::vector<Taken> taken[2];
    std::thread consumers[2];
    for (int which = 0; which < 2; ++which) {
        consumers[which] = std::thread([&, which] {
            Bytes frame(bytes);
            LONG sequence = 0;
            while (static_cast<int>(taken[which].size()) < kFrames) {
                if (which == 0) {
                    camera.GetFrame(frame.data(), bytes, layout, &sequence);
                } else {
                    camera.WaitForFrameAfter(sequence, 500);
                    camera.GetFrameNoWait(frame.data(), bytes, layout, &sequence);
                }
                taken[which].push_back({sequence, StampOf(frame, 640, 480).sequence});
            }
        });
    }
    for (std::thread& consumer : consumers) {
        consumer.join();
    }
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which == 0 ? "GetFrame" : "WaitForFrameAfter + GetFrameNoWait");
        int missed = 0;
        for (size_t i = 1; i < taken[which].size(); ++i) {
            const Taken& previous = taken[which][i - 1];
            const Taken& current = taken[which][i];
            ASSERT_GT(current.sequence, previous.sequence) << "a frame taken twice, at " << i;
            EXPECT_GT(current.stamp, previous.stamp) << "the pixels are the newer frame's, at " << i;
            missed += current.sequence - previous.sequence - 1;
        }
        EXPECT_LE(missed, kFrames / 10) << "frames passed by while the consumer was back in time";
    }
    EXPECT_EQ(camera.m_FramesFetched, kFrames) << "only GetFrameNoWait counts";
}

TEST_F(CameraStreaming, WaitsForANewerFrameEndOnTimeAndNeverHoldUpClosing)
{
    win::Watchdog watchdog(60000, "waits and closing");
    CCamera camera;
    OpenWithResolution(camera, 1);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    const LONG newest = camera.m_FramesReceived;
    EXPECT_TRUE(camera.WaitForFrameAfter(newest - 1, 0)) << "a newer frame is there already";
    EXPECT_TRUE(camera.WaitForFrameAfter(newest, 5000)) << "the next frame comes";

    // No frames: the waits time out; closing meanwhile is not held up by
    // them (they release the lock while they sleep), nor are they stuck.
    SimSetFault(SimFaultUnplugged, 1);
    ASSERT_TRUE(WaitForPostedFrames(camera));
    const LONG last = camera.m_FramesReceived;
    std::atomic<int> timedOut{0};
    std::thread waiter([&] {
        const ULONGLONG start = GetTickCount64();
        if (!camera.WaitForFrameAfter(last, 1500) && GetTickCount64() - start >= 1400) {
            ++timedOut;
        }
    });
    std::thread fetcher([&] {
        Bytes frame(kFrameBytes);
        LONG sequence = last;
        camera.GetFrame(frame.data(), kFrameBytes, kFrame, &sequence);
        if (sequence == last && IsStamp(StampOf(frame, kFrameWidth, kFrameHeight))) {
            ++timedOut; // the last frame again, after its 500 ms
        }
    });
    Sleep(100);
    const ULONGLONG closing = GetTickCount64();
    EXPECT_EQ(camera.Stop(), 1);
    EXPECT_EQ(camera.UnInit(), 1);
    EXPECT_LT(GetTickCount64() - closing, 1000u) << "closing waited for the waiting fetches";
    waiter.join();
    fetcher.join();
    EXPECT_EQ(timedOut, 2);

    // A new open clears the buffers: the frames of the last open are not
    // newer than anything, so a consumer starting at 0 waits for this open's.
    SimSetFault(SimFaultUnplugged, 0);
    ASSERT_EQ(camera.Init(), 1);
    EXPECT_FALSE(camera.WaitForFrameAfter(0, 200));
    ASSERT_EQ(camera.Play(), 1);
    EXPECT_TRUE(camera.WaitForFrameAfter(0, 5000));
}

TEST_F(CameraStreaming, FetchesWriteNoMoreThanTheDestinationHolds)
{
    win::Watchdog watchdog(60000, "capacity");
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1);

    // Before the first camera frame the frame is black, not stale memory.
    Bytes frame(kFrameBytes, 0xAB);
    camera.GetFrameNoWait(frame.data(), kFrameBytes, kFrame);
    EXPECT_EQ(frame, Bytes(kFrameBytes, 0));

    // Room for 3 rows and a bit: the whole rows that fit, nothing after them.
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    const size_t capacity = kFrame.stride * 3 + 100;
    for (bool wait : {false, true}) {
        Bytes small(capacity + 64, 0xAB);
        const long written = wait ? camera.GetFrame(small.data(), static_cast<long>(capacity), kFrame)
                                  : camera.GetFrameNoWait(small.data(), static_cast<long>(capacity), kFrame);
        EXPECT_EQ(written, static_cast<long>(kFrame.stride * 3)) << (wait ? "GetFrame" : "NoWait");
        EXPECT_EQ(Bytes(small.begin() + written, small.end()), Bytes(capacity + 64 - written, 0xAB));
        EXPECT_NE(Bytes(small.begin(), small.begin() + written), Bytes(written, 0xAB));
    }
    Bytes untouched(16, 0xAB);
    EXPECT_EQ(camera.GetFrameNoWait(untouched.data(), 0, kFrame), 0);
    EXPECT_EQ(camera.GetFrameNoWait(untouched.data(), -5, kFrame), 0);
    EXPECT_EQ(camera.GetFrameNoWait(untouched.data(), 16, FrameLayout()), 0) << "an empty layout";
    EXPECT_EQ(untouched, Bytes(16, 0xAB));
}

TEST_F(CameraStreaming, ADirectFetchWritesTheImageStraightInOnlyWhenItIsTheWholeFrameAndTheLargestImageFits)
{
    win::Watchdog watchdog(60000, "direct fetch");
    CCamera camera;
    OpenWithResolution(camera, 1); // a 3032 x 2016 image: the frame as it is
    EXPECT_TRUE(camera.ImageIsFrame(kFrame));
    EXPECT_FALSE(camera.ImageIsFrame(FrameLayout::Rgb24Dib(3264, 2448)));
    EXPECT_FALSE(camera.ImageIsFrame(FrameLayout::Rgb24Dib(3031, 2016))) << "rows padded to 4 bytes";
    camera.SetDirectFill(true);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));

    // The SDK writes whatever size it has at the fetch, so only a buffer of
    // the largest image is handed to it; a frame-sized one gets a cut.
    const struct {
        const char* name;
        size_t capacity;
        long written;
        bool straightIn;
    } cases[] = {
        {"holds the largest image", kLargestImageBytes, kFrameBytes, true},
        {"holds the frame only", static_cast<size_t>(kFrameBytes), kFrameBytes, false},
        {"a byte short: the whole rows that fit", static_cast<size_t>(kFrameBytes) - 1,
         kFrameBytes - static_cast<long>(kFrame.stride), false},
        {"three rows", kFrame.stride * 3 + 7, static_cast<long>(kFrame.stride * 3), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes frame(c.capacity + 64, 0xAB);
        LONG sequence = 0;
        const uint64_t copiedBefore = FramePathCopies().sampleBytes;
        EXPECT_EQ(camera.FetchInto(frame.data(), static_cast<long>(c.capacity), kFrame, &sequence), c.written);
        EXPECT_EQ(FramePathCopies().sampleBytes == copiedBefore, c.straightIn);
        EXPECT_EQ(Bytes(frame.begin() + c.written, frame.end()), Bytes(frame.size() - c.written, 0xAB));
        EXPECT_GT(sequence, 0);
        if (c.written == kFrameBytes) {
            EXPECT_TRUE(IsStamp(StampOf(frame.data(), kFrameBytes, kFrameWidth, kFrameHeight)));
        }
    }
    // Closing turns direct fill off: the frame comes from the last image.
    camera.UnInit();
    Bytes last(kFrameBytes, 0xAB);
    EXPECT_EQ(camera.FetchInto(last.data(), kFrameBytes, kFrame), kFrameBytes);
    EXPECT_TRUE(IsStamp(StampOf(last, kFrameWidth, kFrameHeight))) << "the image of the short fetch";
    EXPECT_EQ(camera.FetchInto(nullptr, kFrameBytes, kFrame), 0);
}

TEST_F(CameraStreaming, ASizeChangeBetweenTheSizeQueryAndTheFetchWritesNothingPastTheBuffer)
{
    // The camera changes its read-out to the whole sensor right after it
    // reported the binned size: a fetch into a buffer sized by that report
    // would run past it.
    win::Watchdog watchdog(60000, "size change during a fetch");
    CCamera camera;
    OpenWithResolution(camera, 1);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));

    // The capture thread's fetch into the controller's own buffers: it asks
    // the size at its next frame and fetches an image of the other size;
    // streaming goes on with whole frames of the camera's new size.
    Bytes frame(kFrameBytes, 0xAB);
    LONG sequence = 0;
    SimChangeImageSizeAfterNextQuery(3264, 2448);
    ASSERT_TRUE(WaitForFrames(camera, 3));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kFrameBytes, camera.GetFrame(frame.data(), kFrameBytes, kFrame, &sequence));
    }
    EXPECT_TRUE(IsStamp(StampOf(frame, kFrameWidth, kFrameHeight))) << "the centre of a whole-sensor image";
    SimChangeImageSizeAfterNextQuery(kFrameWidth, kFrameHeight);
    ASSERT_TRUE(WaitForFrames(camera, 3));

    // Direct fill: the destination ends at a page nobody may touch.
    camera.SetDirectFill(true);
    for (const size_t capacity : {static_cast<size_t>(kFrameBytes), kLargestImageBytes}) {
        SCOPED_TRACE(capacity);
        testenv::GuardedBuffer guarded(capacity);
        ASSERT_NE(nullptr, guarded.Data());
        SimChangeImageSizeAfterNextQuery(3264, 2448);
        EXPECT_EQ(kFrameBytes, camera.FetchInto(guarded.Data(), static_cast<long>(capacity), kFrame));
        // Back to the binned size, through the same hook.
        SimChangeImageSizeAfterNextQuery(kFrameWidth, kFrameHeight);
        int width = 0;
        int height = 0;
        CameraGetImageSize(&width, &height);
    }
}

TEST_F(CameraStreaming, RepeatedCyclesLeaveNoHandleOrThread)
{
    win::Watchdog watchdog(300000, "200 open/play/stop/close cycles");
    CCamera camera;
    // A fetching thread runs throughout, as the pins do, and waits for frames
    // across the opens and closes.
    std::atomic<bool> fetching{true};
    std::thread fetcher;
    const auto cycle = [&](int i) {
        ASSERT_EQ(camera.Init(), 1) << "cycle " << i;
        ASSERT_EQ(camera.Play(), 1) << "cycle " << i;
        if (i % 20 == 0) {
            ASSERT_TRUE(WaitForFrames(camera, 1)) << "cycle " << i;
        }
        if (i % 3 == 0) {
            camera.UnInit(); // closed while streaming, as the destructor does
            camera.Stop();
        } else {
            camera.Stop();
            camera.UnInit();
        }
    };
    cycle(0); // warm-up: one-time allocations of the window system and the SDK
    std::thread([] {}).join();
    const int handles = testenv::HandleCount();
    const int threads = testenv::ThreadCount();
    fetcher = std::thread([&] {
        Bytes frame(kFrameBytes);
        while (fetching) {
            camera.GetFrame(frame.data(), kFrameBytes, kFrame);
            camera.GetFrameNoWait(frame.data(), kFrameBytes, kFrame);
        }
    });
    for (int i = 1; i <= 200 && !HasFatalFailure(); ++i) {
        cycle(i);
    }
    fetching = false;
    fetcher.join();
    EXPECT_GT(camera.m_FramesReceived, 0);
    EXPECT_TRUE(testenv::WaitForCounts(handles, threads, 5000))
        << "handles " << handles << " -> " << testenv::HandleCount() << ", threads " << threads << " -> "
        << testenv::ThreadCount();
}

TEST_F(CameraStreaming, ClosingWhileFramesArriveNeverDeadlocks)
{
    // A fetcher keeps m_Lock busy, so frame messages often wait for the lock
    // on the capture thread just when the camera is closed; closing must not
    // wait for that thread while holding the lock.
    win::Watchdog watchdog(90000, "closing while frames arrive");
    CCamera camera;
    std::atomic<bool> fetching{true};
    std::thread fetcher([&] {
        Bytes frame(kFrameBytes);
        while (fetching) {
            camera.GetFrameNoWait(frame.data(), kFrameBytes, kFrame);
        }
    });
    for (int i = 0; i < 30 && !HasFailure(); ++i) {
        ASSERT_EQ(camera.Init(), 1);
        ASSERT_EQ(camera.Play(), 1);
        EXPECT_TRUE(WaitForFrames(camera, 3));
        Sleep(i % 17); // close at varying points of the frame cycle
        if (i % 2) {
            camera.Stop();
        }
        camera.UnInit();
        camera.Stop();
    }
    fetching = false;
    fetcher.join();
}

TEST_F(CameraStreaming, DestroyingAStreamingControllerClosesTheCameraAndEndsItsThread)
{
    win::Watchdog watchdog(60000, "destroy while streaming");
    std::thread([] {}).join();
    const int threads = testenv::ThreadCount();
    {
        CCamera camera;
        ASSERT_EQ(camera.Init(), 1);
        ASSERT_EQ(camera.Play(), 1);
        ASSERT_TRUE(WaitForFrames(camera, 2));
        SimClearJournal();
    }
    EXPECT_EQ(JournalLinesBesideFrames(), Lines{"CameraUnInit()"});
    EXPECT_TRUE(testenv::WaitForCounts(INT_MAX, threads)) << threads << " -> " << testenv::ThreadCount();
}

TEST_F(CameraStreaming, FailedInitLeavesNothingRunningAndALaterInitSucceeds)
{
    win::Watchdog watchdog(60000, "Init faults");
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1); // warm-up
    ASSERT_EQ(camera.UnInit(), 1);
    std::thread([] {}).join();
    const int handles = testenv::HandleCount();
    const int threads = testenv::ThreadCount();

    SimClearJournal();
    SimSetFault(SimFaultCameraInit, 1);
    EXPECT_EQ(camera.Init(), 2);
    EXPECT_EQ(JournalLines(), Lines{"CameraInit(1,0,1,1)"});
    SimSetFault(SimFaultCameraInit, 0);

    SimClearJournal();
    SimSetFault(SimFaultImageSize, 1);
    EXPECT_EQ(camera.Init(), 2);
    const Lines lines = JournalLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "CameraGetImageSize()");
    EXPECT_EQ(lines.back(), "CameraUnInit()") << "the SDK opened by a failed Init is closed again";
    SimSetFault(SimFaultImageSize, 0);
    EXPECT_TRUE(testenv::WaitForCounts(handles, threads))
        << "handles " << handles << " -> " << testenv::HandleCount() << ", threads " << threads << " -> "
        << testenv::ThreadCount();

    ASSERT_EQ(camera.Init(), 1);
    ASSERT_EQ(camera.Play(), 1);
    EXPECT_TRUE(WaitForFrames(camera, 1)) << "frames flow once the fault is gone";
}

TEST_F(CameraStreaming, FailedPlayStillLetsStopStop)
{
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1);
    SimSetFault(SimFaultCameraPlay, 1);
    EXPECT_EQ(camera.Play(), 0);
    SimSetFault(SimFaultCameraPlay, 0);
    SimClearJournal();
    EXPECT_EQ(camera.Play(), 1) << "still counted as playing";
    camera.Stop();
    EXPECT_EQ(JournalLinesBesideFrames(), Lines{"CameraStop()"});
}

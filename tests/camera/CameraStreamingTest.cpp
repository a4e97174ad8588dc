// The controller streaming from the simulated camera through its real hidden window and message loop, all
// through the frame readers the pins use.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "camera/Camera.h"
#include "camera/CameraSdk.h"
#include "camera/FramePathCounters.h"
#include "camera/FrameReader.h"
#include "camera/ImageLimits.h"
#include "simcamera/SimControl.h"
#include "tests/camera/OpenJournal.h"
#include "tests/support/FrameSizes.h"
#include "tests/support/GuardedBuffer.h"
#include "tests/support/ProcessCounters.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/WaitFor.h"

using namespace testenv;
using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

namespace {

const FrameReader::Counting kCounted = FrameReader::Counting::AsCaptureStream;
const FrameReader::Counting kUncounted = FrameReader::Counting::Uncounted;

class CameraStreaming : public testenv::SimCameraFixture {
protected:
    static void OpenWithResolution(CCamera& camera, uint8_t resolution)
    {
        CameraConfig record;
        record.m_Format.m_Resolution = resolution;
        camera.SetConfig(&record);
        ASSERT_EQ(camera.Init(), 1);
    }

    static bool WaitForFrames(CCamera& camera, LONG count)
    {
        const LONG target = camera.m_FramesReceived + count;
        return WaitFor([&] { return camera.m_FramesReceived >= target; }, kFrameTimeoutMs);
    }

    static bool WaitForPostedFrames(CCamera& camera)
    {
        return WaitFor([&] { return camera.m_FramesReceived == FrameCounters().posted; }, kFrameTimeoutMs);
    }
};

} // namespace

TEST_F(CameraStreaming, OpenPlayStopCloseCallTheSdkOnlyWhenNeeded)
{
    CCamera camera;
    FrameReader counted(camera, kCounted);
    FrameReader uncounted(camera, kUncounted);
    Bytes frame(kFrameBytes, 0xAB);
    EXPECT_EQ(counted.Read(frame.data(), kFrameBytes, kFrame, 0).bytes, kFrameBytes);
    EXPECT_EQ(frame, Bytes(kFrameBytes, 0)) << "black before the first Init";
    EXPECT_EQ(uncounted.Read(nullptr, kFrameBytes, kFrame, 500).bytes, 0);

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
    EXPECT_EQ(uncounted.Read(frame.data(), kFrameBytes, kFrame, 0).bytes, kFrameBytes);
    EXPECT_EQ(camera.m_FramesFetched, 1) << "only the capture stream's reads count";
}

TEST_F(CameraStreaming, FramesArriveThroughTheCaptureWindowAndAreCounted)
{
    CCamera camera;
    OpenWithResolution(camera, 1); // 3032 x 2016: the image is the frame
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 5)) << "frames received: " << camera.m_FramesReceived;

    Bytes frame(kFrameBytes);
    FrameReader counted(camera, kCounted);
    uint32_t previous = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WaitForFrames(camera, 1));
        EXPECT_EQ(counted.Read(frame.data(), kFrameBytes, kFrame, 0).bytes, kFrameBytes);
        const SimStamp stamp = StampOf(frame, kFrameWidth, kFrameHeight);
        ASSERT_TRUE(IsStamp(stamp));
        EXPECT_GT(stamp.sequence, previous) << "a newer frame after a new message";
        previous = stamp.sequence;
    }
    EXPECT_EQ(camera.m_FramesFetched, 3);
    FrameReader uncounted(camera, kUncounted);
    EXPECT_EQ(uncounted.Read(frame.data(), kFrameBytes, kFrame, 500).bytes, kFrameBytes);
    EXPECT_EQ(camera.m_FramesFetched, 3) << "an uncounted reader counts nothing";

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
    CCamera camera;
    OpenWithResolution(camera, 0); // the simulated camera delivers 3264 x 2448
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 2));

    // Hold the picture still, then compare the frame with the image it came from.
    SimSetFault(SimFaultUnplugged, 1);
    ASSERT_TRUE(WaitForPostedFrames(camera));
    Bytes frame(kFrameBytes);
    FrameReader reader(camera, kUncounted);
    reader.Read(frame.data(), kFrameBytes, kFrame, 0);
    const SimStamp stamp = StampOf(frame, kFrameWidth, kFrameHeight);
    ASSERT_TRUE(IsStamp(stamp)) << "the stamp sits at the frame's own centre";

    const int imageWidth = 3264, imageHeight = 2448;
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
    SimSetImageSize(640, 480);
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    Bytes frame(kFrameBytes, 0xAB);
    FrameReader reader(camera, kUncounted);
    EXPECT_EQ(reader.Read(frame.data(), kFrameBytes, kFrame, 0).bytes, kFrameBytes);
    EXPECT_TRUE(IsStamp(StampOf(frame, kFrameWidth, kFrameHeight))) << "the image's centre is the frame's";
    const size_t rowBytes = kFrameWidth * 3;
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + rowBytes), Bytes(rowBytes, 0)) << "black below the image";
    EXPECT_EQ(Bytes(frame.end() - rowBytes, frame.end()), Bytes(rowBytes, 0)) << "black above the image";
    const size_t middle = static_cast<size_t>(kFrameHeight / 2) * rowBytes;
    EXPECT_EQ(Bytes(frame.begin() + middle, frame.begin() + middle + 3 * 1196), Bytes(3 * 1196, 0))
        << "black left of the image";
    EXPECT_NE(Bytes(frame.begin() + middle + 3 * 1196, frame.begin() + middle + 3 * 1836), Bytes(3 * 640, 0));
}

TEST_F(CameraStreaming, AReadDeliversThePreviousFrameAgainWhenNoneComes)
{
    CCamera camera;
    OpenWithResolution(camera, 1);
    Bytes frame(kFrameBytes);
    FrameReader reader(camera, kUncounted);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 2));
    FrameReader::Result read = reader.Read(frame.data(), kFrameBytes, kFrame, 500);
    EXPECT_EQ(read.bytes, kFrameBytes);
    EXPECT_TRUE(read.fresh);
    EXPECT_TRUE(IsStamp(StampOf(frame, kFrameWidth, kFrameHeight)));

    SimSetFault(SimFaultUnplugged, 1);
    ASSERT_TRUE(WaitForPostedFrames(camera));
    reader.Read(frame.data(), kFrameBytes, kFrame, 500); // takes a frame that came meanwhile, if any
    const uint32_t last = StampOf(frame, kFrameWidth, kFrameHeight).sequence;

    // Twice: a timeout leaves the reader waiting for a frame newer than the same one.
    for (int i = 0; i < 2; ++i) {
        std::memset(frame.data(), 0, frame.size());
        const ULONGLONG start = GetTickCount64();
        read = reader.Read(frame.data(), kFrameBytes, kFrame, 500);
        const ULONGLONG waited = GetTickCount64() - start;
        EXPECT_EQ(read.bytes, kFrameBytes);
        EXPECT_FALSE(read.fresh);
        EXPECT_GE(waited, 450u) << "waits about 500 ms for a frame";
        EXPECT_LT(waited, 5000u);
        EXPECT_EQ(StampOf(frame, kFrameWidth, kFrameHeight).sequence, last) << "the previous frame, delivered again";
        EXPECT_EQ(read.sequence, camera.m_FramesReceived) << "the sequence of the frame delivered again";
    }

    // Frames resume: the read returns with a new one.
    SimSetFault(SimFaultUnplugged, 0);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    EXPECT_TRUE(reader.Read(frame.data(), kFrameBytes, kFrame, 500).fresh);
    EXPECT_GT(StampOf(frame, kFrameWidth, kFrameHeight).sequence, last);
}

TEST_F(CameraStreaming, TwoConsumersEachTakeEveryFrameOnce)
{
    // The preview's reader uncounted, the capture's counted; small frames, so each consumer is back before the next.
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
            FrameReader reader(camera, which == 0 ? kUncounted : kCounted);
            while (static_cast<int>(taken[which].size()) < kFrames) {
                const LONG sequence = reader.Read(frame.data(), bytes, layout, 500).sequence;
                taken[which].push_back({sequence, StampOf(frame, 640, 480).sequence});
            }
        });
    }
    for (std::thread& consumer : consumers) {
        consumer.join();
    }
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(which == 0 ? "uncounted" : "counted");
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
    EXPECT_EQ(camera.m_FramesFetched, kFrames) << "only the counted reader counts";
}

TEST_F(CameraStreaming, ReadersOfOneConvertedLayoutShareItsFrameAndEachGetsWhatItWouldMakeAlone)
{
    SimSetImageSize(640, 480);
    const FrameLayout layout = FrameLayout::Natural(PixelFormat::Nv12, 320, 240, FrameFit::ScaledWindow);
    const long bytes = static_cast<long>(layout.Bytes());
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1);
    ASSERT_EQ(camera.Play(), 1);

    // Streaming, two consumers at once: a frame both took is the same bytes
    // (a shared frame made again while one copied it would differ).
    const int kFrames = 30;
    std::map<LONG, Bytes> taken[2];
    std::thread consumers[2];
    for (int which = 0; which < 2; ++which) {
        consumers[which] = std::thread([&, which] {
            FrameReader reader(camera, kUncounted);
            for (int i = 0; i < kFrames; ++i) {
                Bytes frame(bytes, 0xAB);
                const FrameReader::Result read = reader.Read(frame.data(), bytes, layout, 500);
                if (read.bytes == bytes) {
                    taken[which][read.sequence] = std::move(frame);
                }
            }
        });
    }
    for (std::thread& consumer : consumers) {
        consumer.join();
    }
    int common = 0;
    for (const auto& [sequence, frame] : taken[0]) {
        const auto other = taken[1].find(sequence);
        if (other != taken[1].end()) {
            ++common;
            EXPECT_EQ(frame, other->second) << "frame " << sequence;
        }
    }
    EXPECT_GE(common, kFrames / 2);
    EXPECT_GT(camera.m_SharedFramesMade, 0) << "frames were made once to be shared";

    // Stopped, the newest image stays: the frame a reader made alone is the
    // one both get once they share it (in a layout not shared before, so
    // that it is made anew).
    ASSERT_EQ(camera.Stop(), 1);
    const FrameLayout i420 = FrameLayout::Natural(PixelFormat::I420, 320, 240, FrameFit::ScaledWindow);
    FrameReader first(camera, kUncounted);
    Bytes alone(bytes);
    ASSERT_EQ(first.Read(alone.data(), bytes, i420, 0).bytes, bytes);
    FrameReader second(camera, kUncounted);
    const LONG made = camera.m_SharedFramesMade;
    for (int round = 0; round < 2; ++round) {
        for (FrameReader* reader : {&first, &second}) {
            Bytes frame(bytes, 0xAB);
            ASSERT_EQ(reader->Read(frame.data(), bytes, i420, 0).bytes, bytes);
            EXPECT_EQ(frame, alone) << "round " << round;
        }
    }
    EXPECT_EQ(camera.m_SharedFramesMade, made + 1) << "the image's frame was made once to be shared";
}

TEST_F(CameraStreaming, WaitsForANewerFrameEndOnTimeAndNeverHoldUpClosing)
{
    CCamera camera;
    OpenWithResolution(camera, 1);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    // A destination too small for a row: the reads only wait.
    unsigned char probe = 0;
    FrameReader waiter(camera, kUncounted);
    EXPECT_TRUE(waiter.Read(&probe, 1, kFrame, 0).fresh) << "a newer frame is there already";
    EXPECT_TRUE(waiter.Read(&probe, 1, kFrame, 5000).fresh) << "the next frame comes";

    // No frames: the waits time out; closing meanwhile is not held up by them (they release the lock while they sleep).
    SimSetFault(SimFaultUnplugged, 1);
    ASSERT_TRUE(WaitForPostedFrames(camera));
    const LONG last = camera.m_FramesReceived;
    FrameReader fetcher(camera, kUncounted);
    Bytes frame(kFrameBytes);
    waiter.Read(&probe, 1, kFrame, 0);
    ASSERT_EQ(fetcher.Read(frame.data(), kFrameBytes, kFrame, 0).sequence, last);
    std::atomic<int> timedOut{0};
    std::thread waiting([&] {
        const ULONGLONG start = GetTickCount64();
        if (!waiter.Read(&probe, 1, kFrame, 1500).fresh && GetTickCount64() - start >= 1400) {
            ++timedOut;
        }
    });
    std::thread fetching([&] {
        const FrameReader::Result read = fetcher.Read(frame.data(), kFrameBytes, kFrame, 500);
        if (!read.fresh && read.sequence == last && IsStamp(StampOf(frame, kFrameWidth, kFrameHeight))) {
            ++timedOut; // the last frame again, after its 500 ms
        }
    });
    Sleep(100);
    const ULONGLONG closing = GetTickCount64();
    EXPECT_EQ(camera.Stop(), 1);
    EXPECT_EQ(camera.UnInit(), 1);
    EXPECT_LT(GetTickCount64() - closing, 1000u) << "closing waited for the waiting reads";
    waiting.join();
    fetching.join();
    EXPECT_EQ(timedOut, 2);

    // A new open clears the buffers: a reader starting afresh waits for this open's frames.
    SimSetFault(SimFaultUnplugged, 0);
    ASSERT_EQ(camera.Init(), 1);
    FrameReader fresh(camera, kUncounted);
    EXPECT_FALSE(fresh.Read(&probe, 1, kFrame, 200).fresh);
    ASSERT_EQ(camera.Play(), 1);
    EXPECT_TRUE(fresh.Read(&probe, 1, kFrame, 5000).fresh);
}

TEST_F(CameraStreaming, FetchesWriteNoMoreThanTheDestinationHolds)
{
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1);

    // Before the first camera frame the frame is black, not stale memory.
    Bytes frame(kFrameBytes, 0xAB);
    FrameReader reader(camera, kUncounted);
    reader.Read(frame.data(), kFrameBytes, kFrame, 0);
    EXPECT_EQ(frame, Bytes(kFrameBytes, 0));

    // Room for 3 rows and a bit: the whole rows that fit, nothing after them.
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));
    const size_t capacity = kFrame.stride * 3 + 100;
    for (bool wait : {false, true}) {
        Bytes small(capacity + 64, 0xAB);
        const long written = reader.Read(small.data(), static_cast<long>(capacity), kFrame, wait ? 500 : 0).bytes;
        EXPECT_EQ(written, static_cast<long>(kFrame.stride * 3)) << (wait ? "waiting" : "at once");
        EXPECT_EQ(Bytes(small.begin() + written, small.end()), Bytes(capacity + 64 - written, 0xAB));
        EXPECT_NE(Bytes(small.begin(), small.begin() + written), Bytes(written, 0xAB));
    }
    Bytes untouched(16, 0xAB);
    EXPECT_EQ(reader.Read(untouched.data(), 0, kFrame, 0).bytes, 0);
    EXPECT_EQ(reader.Read(untouched.data(), -5, kFrame, 0).bytes, 0);
    EXPECT_EQ(reader.Read(untouched.data(), 16, FrameLayout(), 0).bytes, 0) << "an empty layout";
    EXPECT_EQ(reader.Read(untouched.data(), 16, FrameLayout::Natural(PixelFormat::Nv12, 4, 4), 0).bytes, 0)
        << "a converted frame larger than the destination: nothing";
    FrameReader first(camera, kUncounted);
    EXPECT_EQ(first.Read(untouched.data(), 16, FrameLayout::Natural(PixelFormat::Nv12, 6, 6), 0).bytes, 0)
        << "nothing either on a reader's first read, which readies a destination the frame fills";
    EXPECT_EQ(untouched, Bytes(16, 0xAB));
}

TEST_F(CameraStreaming, DirectFillIsForAReaderAloneWhoseBufferHoldsTheLargestImageAndNeverCopiesAStaleOne)
{
    CCamera camera;
    OpenWithResolution(camera, 1); // a 3032 x 2016 image: the frame as it is
    FrameReader reader(camera, kCounted);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));

    // Each read waits for a fresh frame: whether the SDK wrote the image straight in, and that every frame is newer
    // than the last, so no read after direct fill copies the image the controller held before it.
    const size_t largest = kLargestImageBytes, frameOnly = kFrameBytes;
    const struct {
        const char* name;
        size_t capacity;
        FrameLayout layout;
        long written;
        bool straightIn;
        bool secondReader; // another reader is made before this read
    } reads[] = {
        {"possible now: a copy, direct from the next read", largest, kFrame, kFrameBytes, false, false},
        {"direct", largest, kFrame, kFrameBytes, true, false},
        {"direct again", largest, kFrame, kFrameBytes, true, false},
        {"holds the frame only: fetched first, then cut", frameOnly, kFrame, kFrameBytes, false, false},
        {"a byte short: the whole rows that fit", frameOnly - 1, kFrame, kFrameBytes - static_cast<long>(kFrame.stride),
         false, false},
        {"three rows", kFrame.stride * 3 + 7, kFrame, static_cast<long>(kFrame.stride * 3), false, false},
        {"rows padded to 4 bytes: not the image", largest, FrameLayout::Rgb24Dib(3031, 2016),
         static_cast<long>(FrameLayout::Rgb24Dib(3031, 2016).Bytes()), false, false},
        {"another size: not the image", largest, FrameLayout::Rgb24Dib(3264, 2448),
         static_cast<long>(FrameLayout::Rgb24Dib(3264, 2448).Bytes()), false, false},
        {"the image again: a copy", largest, kFrame, kFrameBytes, false, false},
        {"direct once more", largest, kFrame, kFrameBytes, true, false},
        {"a second reader ends it", largest, kFrame, kFrameBytes, false, true},
        {"still two readers", largest, kFrame, kFrameBytes, false, false},
    };
    std::unique_ptr<FrameReader> second;
    uint32_t previous = 0;
    LONG fetched = camera.m_FramesFetched;
    for (const auto& r : reads) {
        SCOPED_TRACE(r.name);
        if (r.secondReader) {
            second = std::make_unique<FrameReader>(camera, kUncounted);
        }
        Bytes frame(r.capacity + 64, 0xAB);
        const uint64_t copiedBefore = FramePathCopies().sampleBytes;
        const FrameReader::Result read =
            reader.Read(frame.data(), static_cast<long>(r.capacity), r.layout, kFrameTimeoutMs);
        EXPECT_EQ(read.bytes, r.written);
        EXPECT_TRUE(read.fresh);
        EXPECT_EQ(FramePathCopies().sampleBytes == copiedBefore, r.straightIn);
        EXPECT_EQ(camera.m_FramesFetched, ++fetched) << "every read of the capture stream counts";
        EXPECT_EQ(Bytes(frame.begin() + r.written, frame.end()), Bytes(frame.size() - r.written, 0xAB));
        // The stamp is read from rows without padding.
        if (r.written == static_cast<long>(r.layout.Bytes()) && r.layout.stride == r.layout.width * 3u) {
            const SimStamp stamp = StampOf(frame.data(), r.layout.Bytes(), r.layout.width, r.layout.height);
            ASSERT_TRUE(IsStamp(stamp));
            EXPECT_GT(stamp.sequence, previous) << "a stale image";
            previous = stamp.sequence;
        }
    }
    // Closing ends direct fill: the frame comes from the last image.
    second.reset();
    Bytes frame(largest, 0xAB);
    reader.Read(frame.data(), static_cast<long>(largest), kFrame, kFrameTimeoutMs);
    EXPECT_TRUE(reader.Read(frame.data(), static_cast<long>(largest), kFrame, kFrameTimeoutMs).fresh);
    camera.UnInit();
    Bytes last(kFrameBytes, 0xAB);
    const uint64_t copiedBefore = FramePathCopies().sampleBytes;
    EXPECT_EQ(reader.Read(last.data(), kFrameBytes, kFrame, 0).bytes, kFrameBytes);
    EXPECT_GT(FramePathCopies().sampleBytes, copiedBefore);
    EXPECT_TRUE(IsStamp(StampOf(last, kFrameWidth, kFrameHeight)));
    EXPECT_EQ(reader.Read(nullptr, kFrameBytes, kFrame, 0).bytes, 0);
}

TEST_F(CameraStreaming, ASizeChangeBetweenTheSizeQueryAndTheFetchWritesNothingPastTheBuffer)
{
    // The camera changes its read-out to the whole sensor right after it reported the binned size: a fetch into a
    // buffer sized by that report would run past it.
    CCamera camera;
    OpenWithResolution(camera, 1);
    ASSERT_EQ(camera.Play(), 1);
    ASSERT_TRUE(WaitForFrames(camera, 1));

    // The capture thread's own fetch asks the size at its next frame and gets the other size; streaming goes on.
    Bytes frame(kFrameBytes, 0xAB);
    FrameReader reader(camera, kCounted);
    SimChangeImageSizeAfterNextQuery(3264, 2448);
    ASSERT_TRUE(WaitForFrames(camera, 3));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kFrameBytes, reader.Read(frame.data(), kFrameBytes, kFrame, 500).bytes);
    }
    EXPECT_TRUE(IsStamp(StampOf(frame, kFrameWidth, kFrameHeight))) << "the centre of a whole-sensor image";
    SimChangeImageSizeAfterNextQuery(kFrameWidth, kFrameHeight);
    ASSERT_TRUE(WaitForFrames(camera, 3));

    // The reader alone, so a destination holding the largest image is filled directly from its second read on;
    // the destination ends at a page nobody may touch.
    for (const size_t capacity : {static_cast<size_t>(kFrameBytes), kLargestImageBytes}) {
        SCOPED_TRACE(capacity);
        testenv::GuardedBuffer guarded(capacity);
        ASSERT_NE(nullptr, guarded.Data());
        EXPECT_EQ(kFrameBytes, reader.Read(guarded.Data(), static_cast<long>(capacity), kFrame, kFrameTimeoutMs).bytes);
        const uint64_t copiedBefore = FramePathCopies().sampleBytes;
        SimChangeImageSizeAfterNextQuery(3264, 2448);
        EXPECT_EQ(kFrameBytes, reader.Read(guarded.Data(), static_cast<long>(capacity), kFrame, kFrameTimeoutMs).bytes);
        EXPECT_GT(FramePathCopies().sampleBytes, copiedBefore) << "cut from the whole-sensor image";
        // Back to the binned size, through the same hook.
        SimChangeImageSizeAfterNextQuery(kFrameWidth, kFrameHeight);
        int width = 0, height = 0;
        CameraGetImageSize(&width, &height);
    }
}

TEST_F(CameraStreaming, RepeatedCyclesLeaveNoHandleOrThread)
{
    testenv::AllowTestToRun(300000);
    CCamera camera;
    // A fetching thread runs throughout, as the pins do, and waits for frames across the opens and closes.
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
    const testenv::CountsBaseline baseline;
    fetcher = std::thread([&] {
        Bytes frame(kFrameBytes);
        FrameReader waiting(camera, kUncounted);
        FrameReader atOnce(camera, kCounted);
        while (fetching) {
            waiting.Read(frame.data(), kFrameBytes, kFrame, 500);
            atOnce.Read(frame.data(), kFrameBytes, kFrame, 0);
        }
    });
    for (int i = 1; i <= 200 && !HasFatalFailure(); ++i) {
        cycle(i);
    }
    fetching = false;
    fetcher.join();
    EXPECT_GT(camera.m_FramesReceived, 0);
    EXPECT_TRUE(baseline.Restored(5000));
}

TEST_F(CameraStreaming, ClosingWhileFramesArriveNeverDeadlocks)
{
    // A fetcher keeps m_Lock busy, so frame messages often wait for the lock just when the camera is closed; closing
    // must not wait for that thread while holding the lock.
    CCamera camera;
    std::atomic<bool> fetching{true};
    std::thread fetcher([&] {
        Bytes frame(kFrameBytes);
        FrameReader reader(camera, kCounted);
        while (fetching) {
            reader.Read(frame.data(), kFrameBytes, kFrame, 0);
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
    CCamera camera;
    ASSERT_EQ(camera.Init(), 1); // warm-up
    ASSERT_EQ(camera.UnInit(), 1);
    const testenv::CountsBaseline baseline;

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
    EXPECT_TRUE(baseline.Restored());

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

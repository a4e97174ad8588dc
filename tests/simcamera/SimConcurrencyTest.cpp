// Every export from many threads at once: no crash, no deadlock, no torn image (one state of the settings each).
#include "tests/simcamera/SimTestSupport.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/SimCameraProbe.h"

using namespace simtest;

namespace {

int Brightness(const Pixel& p)
{
    return p.r + p.g + p.b;
}

// "" when one fetched 640 x 480 image is whole, else what is wrong: the bars (end of the buffer), ramp and marker
// (start) agree on the mirror; the bars and neutral band on monochrome; the marker sits where its sequence puts it.
std::string Inconsistency(const Frame& frame)
{
    const SimStamp stamp = frame.Stamp();
    if (std::memcmp(stamp.magic, "LUMO", 4) != 0) {
        return "no stamp";
    }
    const bool barsMirrored = Brightness(frame.At(10, 40)) < Brightness(frame.At(630, 40));
    const bool rampMirrored = Brightness(frame.At(5, 360)) > Brightness(frame.At(634, 360));
    if (barsMirrored != rampMirrored) {
        return "bars and ramp disagree on the mirror";
    }
    const bool barsGrey = frame.Grey(0, 0, kWidth, 200);
    const bool neutralGrey = frame.Grey(100, 250, 440, 40);
    if (barsGrey != neutralGrey) {
        return "bars and neutral band disagree on monochrome";
    }
    int left = -1, width = 0;
    FindMarker(frame, kTrackRow, &left, &width);
    const int step = static_cast<int>(stamp.sequence % 64) * (kWidth - width) / 63;
    const int expected = barsMirrored ? kWidth - width - step : step;
    if (width == 0 || left != expected) {
        return "marker at " + std::to_string(left) + " for sequence " + std::to_string(stamp.sequence);
    }
    return "";
}

// Collects the failures of every thread, the first one's text kept; read once the threads are joined.
struct Failures {
    void Add(const std::string& what)
    {
        std::lock_guard<std::mutex> guard(lock);
        if (first.empty()) {
            first = what;
        }
        ++count;
    }
    std::mutex lock;
    std::string first;
    int count = 0;
};

// Lets the threads run for ms, then tells them to stop and joins them.
void RunThenStop(DWORD ms, std::atomic<bool>& stop, std::vector<std::thread>& threads)
{
    Sleep(ms);
    stop = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
}

} // namespace

TEST_F(SimCameraTest, SettingsChangedDuringFetchesNeverTearAnImage)
{
    Open(0, kWidth, kHeight);
    ASSERT_EQ(CameraPlay(), 1);

    std::atomic<bool> stop(false);
    std::atomic<int> checked(0);
    Failures failures;
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (unsigned i = 0; !stop; ++i) {
            CameraSetMonochrome(i % 3 == 0);
            CameraSetMirror(kMirrorHorizontal, i % 5 < 2);
            CameraSetGamma(i % 2 ? 150 : 80);
        }
    });
    threads.emplace_back([&] {
        while (!stop) {
            int on, red, green, blue;
            unsigned char gamma = 0;
            CameraGetMonochrome(&on);
            CameraGetMirror(kMirrorHorizontal, &on);
            CameraGetGain(&red, &green, &blue);
            CameraGetGamma(&gamma);
            if (gamma != 150 && gamma != 80 && gamma != 100) {
                failures.Add("gamma read back as " + std::to_string(gamma));
            }
        }
    });
    for (int fetcher = 0; fetcher < 2; ++fetcher) {
        threads.emplace_back([&] {
            Frame frame;
            frame.width = kWidth;
            frame.height = kHeight;
            frame.bytes.resize(kWidth * kHeight * 3);
            uint32_t lastSequence = 0;
            while (!stop) {
                if (CameraGetImageDataRGB24(frame.bytes.data()) != 1) {
                    failures.Add("fetch failed");
                    continue;
                }
                const std::string problem = Inconsistency(frame);
                if (!problem.empty()) {
                    failures.Add(problem);
                }
                if (frame.Stamp().sequence < lastSequence) {
                    failures.Add("sequence went back");
                }
                lastSequence = frame.Stamp().sequence;
                ++checked;
            }
        });
    }
    RunThenStop(2000, stop, threads);
    EXPECT_EQ(failures.count, 0) << failures.first;
    EXPECT_GT(checked.load(), 20);
    EXPECT_GT(testenv::FrameCounters().produced, 20);
}

TEST_F(SimCameraTest, LifecycleCallsFromOtherThreadsNeverDeadlockOrCrash)
{
    SimSetImageSize(kWidth, kHeight);
    std::atomic<bool> stop(false);
    std::atomic<int> delivered(0);
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (unsigned i = 0; !stop; ++i) {
            CameraInit(nullptr, 0, nullptr, nullptr);
            CameraPlay();
            Sleep(i % 40);
            if (i % 2) {
                CameraStop();
            }
            CameraUnInit();
        }
    });
    threads.emplace_back([&] {
        for (unsigned i = 0; !stop; ++i) {
            CameraSetFrameSpeed(i % 2 ? kFrameSpeedHigh : kFrameSpeedNormal);
            CameraSetAeState(i % 3 != 0);
            CameraSetExposureTimeMS(i % 2 ? 10 : 120);
            CameraRestartLongExposure(1);
            CameraSetAWBState(1);
            int width, height;
            CameraGetImageSize(&width, &height);
        }
    });
    threads.emplace_back([&] {
        std::vector<unsigned char> image(kWidth * kHeight * 3);
        while (!stop) {
            // Fails while the camera is closed, which is fine.
            delivered += CameraGetImageDataRGB24(image.data());
        }
    });
    RunThenStop(2000, stop, threads);
    EXPECT_GT(delivered.load(), 0);
}

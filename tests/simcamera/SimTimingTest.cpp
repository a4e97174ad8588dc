// Frame timing and delivery: intervals at both frame speeds and in long exposure, restarting an exposure, one-deep
// posting to a real window, the stamp, the callback, and no leaks over many cycles. Intervals come from the frames'
// own stamps, so a busy machine can only make them look longer; bounds are generous on that side.
#include "tests/simcamera/SimTestSupport.h"

#include <cstring>

#include "tests/support/ProcessCounters.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/WaitFor.h"

using namespace simtest;
using namespace testenv;

namespace {

// Average time between the frames produced over about spanMs, from stamps.
double MeasuredIntervalMs(DWORD spanMs)
{
    const LONG start = FrameCounters().produced;
    WaitFor([start] { return FrameCounters().produced >= start + 2; }, 5000);
    const SimStamp first = FetchFrame().Stamp();
    Sleep(spanMs);
    const SimStamp last = FetchFrame().Stamp();
    if (last.sequence <= first.sequence) {
        ADD_FAILURE() << "no frames between the two fetches";
        return 0;
    }
    return QpcToMs(static_cast<LONGLONG>(last.qpc - first.qpc)) / (last.sequence - first.sequence);
}

// A hidden window on the test thread that fetches each announced frame.
class FrameSinkWindow {
public:
    FrameSinkWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &FrameSinkWindow::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "SimFrameSink";
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, "SimFrameSink", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~FrameSinkWindow() { DestroyWindow(m_window); }

    HWND Handle() const { return m_window; }

    // Frame messages waiting in the queue, removed.
    int DrainQueuedFrames()
    {
        int count = 0;
        MSG message;
        while (PeekMessageA(&message, m_window, WM_CAMERA_FRAME, WM_CAMERA_FRAME, PM_REMOVE)) {
            ++count;
        }
        return count;
    }

    // Pumps messages for durationMs, fetching an image for each frame message.
    void Pump(DWORD durationMs)
    {
        const ULONGLONG end = GetTickCount64() + durationMs;
        while (GetTickCount64() < end) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }

    int received = 0;
    std::vector<unsigned char> image = std::vector<unsigned char>(640 * 480 * 3);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<FrameSinkWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == WM_CAMERA_FRAME) {
            ++self->received;
            CameraGetImageDataRGB24(self->image.data());
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
};

volatile LONG callbackCalls = 0;
volatile LONG callbackLastSequence = 0;
volatile LONG callbackOutOfOrder = 0;

int __stdcall CountingCallback(int sequence)
{
    InterlockedIncrement(&callbackCalls);
    if (sequence <= callbackLastSequence) {
        InterlockedIncrement(&callbackOutOfOrder);
    }
    callbackLastSequence = sequence;
    return 1;
}

volatile LONG stoppingCallbackCalls = 0;

int __stdcall StopFromCallback(int)
{
    if (InterlockedIncrement(&stoppingCallbackCalls) == 1) {
        CameraStop();
    }
    return 1;
}

} // namespace

TEST_F(SimCameraTest, FrameIntervalFollowsTheFrameSpeed)
{
    Open();
    ASSERT_EQ(CameraPlay(), 1);
    const double high = MeasuredIntervalMs(1000);
    EXPECT_GE(high, 32.0);
    EXPECT_LE(high, 50.0);

    CameraSetFrameSpeed(kFrameSpeedNormal);
    const double normal = MeasuredIntervalMs(1500);
    EXPECT_GE(normal, 65.0);
    EXPECT_LE(normal, 90.0);
}

TEST_F(SimCameraTest, ManualExposureLongerThanTheIntervalSetsThePace)
{
    CameraSetExposureTimeMS(200);
    Open();
    ASSERT_EQ(CameraPlay(), 1);
    // Auto exposure on: the exposure time does not set the pace.
    const double automatic = MeasuredIntervalMs(600);
    EXPECT_LE(automatic, 50.0);

    CameraSetAeState(0);
    const double manual = MeasuredIntervalMs(1200);
    EXPECT_GE(manual, 199.0);
    EXPECT_LE(manual, 260.0);
}

TEST_F(SimCameraTest, RestartingALongExposureDelaysTheNextFrameByAWholeExposure)
{
    CameraSetAeState(0);
    CameraSetExposureTimeMS(1000);
    Open();
    ASSERT_EQ(CameraPlay(), 1);
    Sleep(500);
    ASSERT_EQ(FrameCounters().produced, 0);
    // Without the restart the first frame would come about 500 ms from now.
    const LONGLONG restart = QpcNow();
    EXPECT_EQ(CameraRestartLongExposure(1), 1);
    ASSERT_TRUE(WaitFor([] { return FrameCounters().produced >= 1; }, 4000));
    const SimStamp stamp = FetchFrame().Stamp();
    EXPECT_EQ(stamp.sequence, 1u);
    const double sinceRestart = QpcToMs(static_cast<LONGLONG>(stamp.qpc) - restart);
    EXPECT_GE(sinceRestart, 995.0);
    EXPECT_LE(sinceRestart, 1600.0);
}

TEST_F(SimCameraTest, EveryFetchedImageCarriesTheStampOfTheNewestFrame)
{
    // An odd size: the stamp is at the centre of memory row height / 2.
    Open(0, 333, 201);
    simtest::Frame before = FetchFrame();
    EXPECT_EQ(std::memcmp(before.Stamp().magic, "LUMO", 4), 0);
    EXPECT_EQ(before.Stamp().sequence, 0u) << "no frame produced yet";

    const LONGLONG playQpc = QpcNow();
    ASSERT_EQ(CameraPlay(), 1);
    uint32_t previous = 0;
    for (int i = 0; i < 5; ++i) {
        Sleep(80);
        const simtest::Frame frame = FetchFrame();
        const SimStamp stamp = frame.Stamp();
        const LONGLONG now = QpcNow();
        ASSERT_EQ(std::memcmp(stamp.magic, "LUMO", 4), 0);
        EXPECT_GT(stamp.sequence, previous);
        EXPECT_GE(static_cast<LONGLONG>(stamp.qpc), playQpc);
        EXPECT_LE(static_cast<LONGLONG>(stamp.qpc), now);
        for (uint8_t zero : stamp.zero) {
            ASSERT_EQ(zero, 0);
        }
        const size_t offset = (100 * 333 + 166 - 8) * 3;
        EXPECT_EQ(std::memcmp(frame.bytes.data() + offset, "LUMO", 4), 0);
        previous = stamp.sequence;
    }
    EXPECT_EQ(FrameCounters().fetched, 6);

    // A new session counts from 1 again.
    ASSERT_EQ(CameraInit(nullptr, 0, nullptr, nullptr), 1);
    ASSERT_EQ(CameraPlay(), 1);
    ASSERT_TRUE(WaitFor([] { return FrameCounters().produced >= 7; }, 3000));
    EXPECT_LT(FetchFrame().Stamp().sequence, previous);
}

TEST_F(SimCameraTest, OneFrameMessageAtATimeUntilTheFrameIsFetched)
{
    FrameSinkWindow sink;
    ASSERT_NE(sink.Handle(), nullptr);
    SimSetImageSize(640, 480);
    ASSERT_EQ(CameraInit(CountingCallback, 0, sink.Handle(), sink.Handle()), 1);
    ASSERT_EQ(CameraPlay(), 1);

    // Nobody fetches: one message waits, the later frames are skipped.
    Sleep(400);
    SimCounters counters = FrameCounters();
    EXPECT_EQ(counters.posted, 1);
    EXPECT_GE(counters.skipped, 5);
    EXPECT_EQ(counters.produced, counters.posted + counters.skipped);
    EXPECT_EQ(sink.DrainQueuedFrames(), 1);

    // Fetching releases the next message; a window that fetches on every message receives them all. The counters
    // start before that fetch: the message it releases may be posted at once and must be counted.
    SimResetCounters();
    ASSERT_EQ(CameraGetImageDataRGB24(sink.image.data()), 1);
    sink.Pump(1000);
    ASSERT_EQ(CameraStop(), 1);
    sink.Pump(50);
    counters = FrameCounters();
    EXPECT_GE(sink.received, 15);
    EXPECT_EQ(counters.posted, sink.received);
    EXPECT_EQ(counters.fetched, sink.received + 1) << "the window's fetches and the one above";
    EXPECT_EQ(counters.produced, counters.posted + counters.skipped);
    EXPECT_LE(counters.skipped, counters.produced / 4) << "a prompt reader misses few frames";

    // The callback ran once per frame, in order, and not after the stop.
    EXPECT_GT(callbackCalls, 20);
    EXPECT_EQ(callbackOutOfOrder, 0);
    const LONG calls = callbackCalls;
    Sleep(100);
    EXPECT_EQ(callbackCalls, calls);
}

TEST_F(SimCameraTest, TheCallbackMayStopTheCameraItRunsFor)
{
    SimSetImageSize(64, 48);
    ASSERT_EQ(CameraInit(StopFromCallback, 0, nullptr, nullptr), 1);
    ASSERT_EQ(CameraPlay(), 1);
    ASSERT_TRUE(WaitFor([] { return stoppingCallbackCalls > 0; }, 3000));
    Sleep(200);
    EXPECT_EQ(stoppingCallbackCalls, 1);
    EXPECT_EQ(FrameCounters().produced, 1);
    // And the camera plays again.
    ASSERT_EQ(CameraPlay(), 1);
    EXPECT_TRUE(WaitFor([] { return FrameCounters().produced >= 3; }, 3000));
}

TEST_F(SimCameraTest, NoThreadOrHandleOutlivesACycle)
{
    auto cycle = [](bool stopFirst) {
        ASSERT_EQ(CameraInit(nullptr, 0, nullptr, nullptr), 1);
        ASSERT_EQ(CameraPlay(), 1);
        ASSERT_TRUE(WaitForNextFrame(3000));
        if (stopFirst) {
            ASSERT_EQ(CameraStop(), 1);
        }
        ASSERT_EQ(CameraUnInit(), 1);
    };
    SimSetImageSize(320, 240);
    cycle(true); // one-time set-up of the process's own threads and handles
    const testenv::CountsBaseline baseline;
    for (int i = 0; i < 20; ++i) {
        cycle(i % 2 == 0);
    }
    EXPECT_TRUE(baseline.Restored());
}

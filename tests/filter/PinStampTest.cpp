// Fill pacing, time stamps, lateness, re-anchoring on the graph's clock and fresh frames of the camera pin, with
// scripted millisecond and reference clocks and real samples from Wine's memory allocator.
#include <gtest/gtest.h>

#include <vector>

#include "tests/filter/FilterTestSupport.h"
#include "tests/support/UnadvisingClock.h"
#include "tests/support/WaitFor.h"
#include "win/ComObject.h"

using namespace filtertest;

namespace {

// A reference clock whose time the test sets. Made with win::MakeComObject.
class ScriptedReferenceClock final : public testenv::UnadvisingClock<win::ComObject<IReferenceClock>> {
public:
    REFERENCE_TIME now = 0;

    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) override
    {
        *time = now;
        return S_OK;
    }
};

// A camera pin whose clock the test sets and whose pacing sleeps are recorded.
// It is a third stream of the filter, which owns it.
class ScriptedClockPin : public CameraOutputPin {
public:
    ScriptedClockPin(CameraFilter* filter, REFGUID category) : CameraOutputPin(filter, nullptr, L"Scripted")
    {
        AttachCamera(filter->Camera(), category);
        SetupPin();
    }
    DWORD tick = 0;
    std::vector<DWORD> sleeps;

protected:
    DWORD CurrentTick() override { return tick; }
    void PaceSleep(DWORD milliseconds) override { sleeps.push_back(milliseconds); }
};

struct Stamps {
    HRESULT result;
    REFERENCE_TIME start, end;
};

class PinStamps : public FilterTest {
protected:
    void SetUp() override
    {
        FilterTest::SetUp();
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                         reinterpret_cast<void**>(allocator.GetAddressOf())));
        ALLOCATOR_PROPERTIES request = {1, kFrameWidth * kFrameHeight * 3, 1, 0};
        ALLOCATOR_PROPERTIES granted = {};
        ASSERT_EQ(S_OK, allocator->SetProperties(&request, &granted));
        ASSERT_EQ(S_OK, allocator->Commit());
    }
    void TearDown() override
    {
        under.filter->Stop();
        EXPECT_EQ(S_OK, under.filter->SetSyncSource(nullptr));
        DropPin();
        if (allocator) {
            EXPECT_EQ(S_OK, allocator->Decommit());
        }
        FilterTest::TearDown();
    }
    void StartWorker(REFGUID category, DWORD startTick)
    {
        pin = new ScriptedClockPin(under.object, category); // the filter owns it
        pin->tick = startTick;
        ASSERT_EQ(S_OK, pin->OnWorkerStart());
    }
    void DropPin()
    {
        if (pin) {
            pin->OnWorkerEnd();
            under.object->DestroyStream(pin);
            pin = nullptr;
        }
    }
    void RestartWorkerAt(DWORD tick)
    {
        EXPECT_EQ(S_OK, pin->OnWorkerEnd());
        pin->tick = tick;
        ASSERT_EQ(S_OK, pin->OnWorkerStart());
    }
    // Fills one sample at the given tick and reads back its stamps and the camera stamp in its pixels.
    Stamps FillAt(DWORD tick, SimStamp* frame = nullptr)
    {
        pin->tick = tick;
        ComPtr<IMediaSample> sample;
        EXPECT_EQ(S_OK, allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0));
        EXPECT_EQ(S_OK, pin->FillSample(sample.Get()));
        EXPECT_EQ(S_OK, sample->IsSyncPoint());
        Stamps stamps = {E_FAIL, -1, -1};
        stamps.result = sample->GetTime(&stamps.start, &stamps.end);
        if (frame) {
            BYTE* data = nullptr;
            EXPECT_EQ(S_OK, sample->GetPointer(&data));
            *frame = StampIn(data, sample->GetSize());
        }
        return stamps;
    }
    // The filter runs from start with the clock at start + streamTime; the scripted pin is not connected, so it is
    // told to run here.
    void RunFilterAt(REFERENCE_TIME start, REFERENCE_TIME streamTime)
    {
        referenceClock->now = start + streamTime;
        ASSERT_EQ(S_OK, under.filter->Run(start));
        ASSERT_EQ(S_OK, pin->OnRun(start));
    }

    TestFilter under;
    ComPtr<IMemAllocator> allocator;
    ScriptedClockPin* pin = nullptr; // a stream of under's filter
    const ComPtr<ScriptedReferenceClock> referenceClock = win::MakeComObject<ScriptedReferenceClock>();
};

TEST_F(PinStamps, StampsAdvanceByElapsedTrueTimeWithTheLateOffsetBetweenSamples)
{
    const DWORD t0 = 0xFFFFFF00; // the tick count wraps during the run
    StartWorker(PIN_CATEGORY_CAPTURE, t0);

    const struct {
        DWORD at;
        REFERENCE_TIME start, end;
        DWORD sleep; // 0: none
    } fills[] = {
        {t0 + 100, 126333, 1000000, 0},  // 100 ms: 1000000 - 126333 after the start
        {t0 + 133, 1126333, 1330000, 0}, // 33 ms later: not paced (30 ms or more)
        {t0 + 133, 1330000, 1330000, 0}, // same tick: no sleep, no time passes
        {t0 + 143, 1456333, 1630000, 20}, // 10 ms: sleeps the rest and counts 30 ms
        {t0 + 193, 1756333, 1930000, 0},  // 30 ms after the paced fill was counted
    };
    for (const auto& fill : fills) {
        SCOPED_TRACE(fill.at - t0);
        pin->sleeps.clear();
        const Stamps stamps = FillAt(fill.at);
        ASSERT_EQ(S_OK, stamps.result);
        EXPECT_EQ(fill.start, stamps.start);
        EXPECT_EQ(fill.end, stamps.end);
        EXPECT_EQ(fill.sleep ? std::vector<DWORD>{fill.sleep} : std::vector<DWORD>{}, pin->sleeps);
    }
}

TEST_F(PinStamps, FillsArePacedToTheCamerasRateWhichMayChangeWhileStreaming)
{
    StartWorker(PIN_CATEGORY_CAPTURE, 1000);
    const struct {
        int32_t frameSpeed;
        DWORD at;
        REFERENCE_TIME end;
        DWORD sleep; // 0: none
    } fills[] = {
        {2, 1100, 1000000, 0},  // "Normal" from here: 100 ms is not paced
        {2, 1120, 1600000, 40}, // 20 ms later: sleeps to 60 ms apart and counts them
        {2, 1205, 2200000, 15}, // 45 ms after the counted 1160
        {2, 1300, 3000000, 0},  // 80 ms: not paced
        {1, 1310, 3300000, 20}, // back at "High": 30 ms apart
    };
    for (const auto& fill : fills) {
        SCOPED_TRACE(fill.at);
        under.object->FollowFrameSpeed(fill.frameSpeed); // as SetFormat or a page does, from another thread
        pin->sleeps.clear();
        const Stamps stamps = FillAt(fill.at);
        ASSERT_EQ(S_OK, stamps.result);
        EXPECT_EQ(fill.end, stamps.end);
        EXPECT_EQ(fill.sleep ? std::vector<DWORD>{fill.sleep} : std::vector<DWORD>{}, pin->sleeps);
    }
}

TEST_F(PinStamps, PositiveLatenessBecomesTheGapBetweenSamples)
{
    StartWorker(PIN_CATEGORY_CAPTURE, 1000);
    Stamps previous = FillAt(1100);
    for (REFERENCE_TIME ignored : {REFERENCE_TIME(0), REFERENCE_TIME(-50000)}) {
        Quality quality = {Famine, 1000, ignored, 0};
        EXPECT_EQ(S_OK, pin->Notify(nullptr, quality));
    }
    Quality late = {Famine, 1000, 200000, 0};
    EXPECT_EQ(S_OK, pin->Notify(nullptr, late));

    Stamps next = FillAt(1200);
    EXPECT_EQ(previous.end + 200000, next.start);
    EXPECT_EQ(previous.end + 1000000, next.end); // still the elapsed 100 ms

    // Lateness beyond the time between fills: the stamps still advance by real time, a gap of half of it at most.
    Quality veryLate = {Famine, 1000, 500000, 0};
    EXPECT_EQ(S_OK, pin->Notify(nullptr, veryLate));
    previous = next;
    for (DWORD at : {1233u, 1266u, 1299u}) {
        SCOPED_TRACE(at);
        const Stamps stamps = FillAt(at);
        EXPECT_EQ(previous.end + 165000, stamps.start);
        EXPECT_EQ(previous.end + 330000, stamps.end);
        previous = stamps;
    }

    // A new worker start restores the initial offset.
    ASSERT_NO_FATAL_FAILURE(RestartWorkerAt(5000));
    EXPECT_EQ(126333, FillAt(5100).start);
}

TEST_F(PinStamps, EachRunPutsTheStampsOnTheStreamTimeWithoutGoingBack)
{
    StartWorker(PIN_CATEGORY_CAPTURE, 1000);
    ASSERT_EQ(S_OK, under.filter->SetSyncSource(referenceClock.Get()));
    // Paused: counted from the worker's start.
    EXPECT_EQ(1000000, FillAt(1100).end);

    // Run with stream time 2 s now: this fill (40 ms after the last) ends at 2 s and starts the late offset after
    // the re-anchored end before it.
    RunFilterAt(50000000, 20000000);
    Stamps stamps = FillAt(1140);
    EXPECT_EQ(20000000, stamps.end);
    EXPECT_EQ(20000000 - 400000 + 126333, stamps.start);
    // Later fills advance by elapsed real time, whatever the clock says.
    referenceClock->now += 90000000;
    stamps = FillAt(1190);
    EXPECT_EQ(20000000 + 126333, stamps.start);
    EXPECT_EQ(20500000, stamps.end);

    // Paused for 4 s, the stamps went on (to 6.05 s); the graph resumes at its paused stream time, 2.1 s. The stamps
    // do not go back: each sample ends where it starts until the stream time passes them...
    ASSERT_EQ(S_OK, under.filter->Pause());
    EXPECT_EQ(60500000, FillAt(5190).end);
    RunFilterAt(700000000, 21000000);
    stamps = FillAt(5230);
    EXPECT_EQ(60626333, stamps.start);
    EXPECT_EQ(60626333, stamps.end);
    referenceClock->now = 700000000 + 60000000;
    stamps = FillAt(5270);
    EXPECT_EQ(60752666, stamps.start);
    EXPECT_EQ(60752666, stamps.end);
    // ...then the next fill ends at the stream time, and real time goes on.
    referenceClock->now = 700000000 + 70000000;
    stamps = FillAt(5310);
    EXPECT_EQ(70000000 - 400000 + 126333, stamps.start);
    EXPECT_EQ(70000000, stamps.end);
    EXPECT_EQ(70500000, FillAt(5360).end);

    // Without a clock a Run leaves the stamps counting on.
    ASSERT_EQ(S_OK, under.filter->SetSyncSource(nullptr));
    ASSERT_EQ(S_OK, pin->OnRun(0));
    EXPECT_EQ(71000000, FillAt(5410).end);

    // A new worker start counts from itself until the next Run.
    ASSERT_NO_FATAL_FAILURE(RestartWorkerAt(9000));
    EXPECT_EQ(1000000, FillAt(9100).end);
}

TEST_F(PinStamps, CaptureFillsTakeAFrameNotDeliveredBeforeOrTheLastAgainAfterHalfASecond)
{
    StartWorker(PIN_CATEGORY_CAPTURE, 0);
    // From the first fill on (no black frame before the camera's first), each sample holds a newer frame.
    uint32_t previous = 0;
    for (DWORD tick = 40; tick <= 400; tick += 40) {
        SimStamp frame = {};
        FillAt(tick, &frame);
        ASSERT_TRUE(IsStamp(frame)) << "fill at " << tick;
        EXPECT_GT(frame.sequence, previous) << "fill at " << tick;
        previous = frame.sequence;
    }

    // No frames: a fill waits half a second, then delivers the last again.
    SimSetFault(SimFaultUnplugged, 1);
    CCamera* camera = under.object->Camera();
    testenv::WaitFor([&] { return camera->m_FramesReceived == testenv::FrameCounters().posted; }, 5000);
    SimStamp frame = {};
    FillAt(440, &frame); // takes the frame in flight, if any
    const uint32_t last = frame.sequence;
    const DWORD before = GetTickCount();
    FillAt(480, &frame);
    const DWORD waited = GetTickCount() - before;
    EXPECT_GE(waited, 450u);
    EXPECT_LT(waited, 5000u);
    EXPECT_EQ(last, frame.sequence);
}

TEST_F(PinStamps, PreviewSamplesCarryNoTimesAndBothPinsDeliverFrames)
{
    for (const GUID& category : {PIN_CATEGORY_PREVIEW, PIN_CATEGORY_CAPTURE}) {
        StartWorker(category, 0);
        // Wait for the camera's first frame, then fill.
        Sleep(300);
        const Stamps stamps = FillAt(100);
        if (IsEqualGUID(category, PIN_CATEGORY_PREVIEW)) {
            EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, stamps.result);
        } else {
            EXPECT_EQ(S_OK, stamps.result);
        }
        ComPtr<IMediaSample> sample;
        ASSERT_EQ(S_OK, allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0));
        ASSERT_EQ(S_OK, pin->FillSample(sample.Get()));
        BYTE* data = nullptr;
        ASSERT_EQ(S_OK, sample->GetPointer(&data));
        EXPECT_TRUE(IsStamp(StampIn(data, sample->GetSize())));
        DropPin();
    }
}

} // namespace

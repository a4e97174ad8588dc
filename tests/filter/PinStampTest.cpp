// Fill pacing, time stamps and lateness of the camera pin, with a scripted
// millisecond clock and real samples from Wine's memory allocator.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/filter/FilterTestSupport.h"

using namespace filtertest;

namespace {

// A camera pin whose clock the test sets and whose pacing sleeps are recorded.
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
    REFERENCE_TIME start;
    REFERENCE_TIME end;
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
        if (pin) {
            pin->OnWorkerEnd();
        }
        pin.reset(); // before the filter it belongs to
        if (allocator) {
            allocator->Decommit();
        }
        FilterTest::TearDown();
    }
    void StartWorker(REFGUID category, DWORD startTick)
    {
        pin = std::make_unique<ScriptedClockPin>(under.object, category);
        pin->tick = startTick;
        ASSERT_EQ(S_OK, pin->OnWorkerStart());
    }
    // Fills one sample at the given tick and reads back its stamps.
    Stamps FillAt(DWORD tick)
    {
        pin->tick = tick;
        ComPtr<IMediaSample> sample;
        EXPECT_EQ(S_OK, allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0));
        EXPECT_EQ(S_OK, pin->FillSample(sample.Get()));
        EXPECT_EQ(S_OK, sample->IsSyncPoint());
        Stamps stamps = {E_FAIL, -1, -1};
        stamps.result = sample->GetTime(&stamps.start, &stamps.end);
        return stamps;
    }

    TestFilter under;
    ComPtr<IMemAllocator> allocator;
    std::unique_ptr<ScriptedClockPin> pin;
};

TEST_F(PinStamps, StampsAdvanceByElapsedTrueTimeWithTheLateOffsetBetweenSamples)
{
    const DWORD t0 = 0xFFFFFF00; // the tick count wraps during the run
    StartWorker(PIN_CATEGORY_CAPTURE, t0);

    const struct {
        DWORD at;
        REFERENCE_TIME start;
        REFERENCE_TIME end;
        DWORD sleep; // 0: none
    } fills[] = {
        {t0 + 100, 126333, 1000000, 0},  // 100 ms: 1000000 - 126333 after the start
        {t0 + 133, 1126333, 1330000, 0}, // 33 ms later: not paced (30 ms or more)
        {t0 + 133, 1456333, 1456333, 0}, // same tick: no sleep, end equals start
        {t0 + 143, 1582666, 1756333, 20}, // 10 ms: sleeps the rest and counts 30 ms
        {t0 + 193, 1882666, 2056333, 0},  // 30 ms after the paced fill was counted
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

    const Stamps next = FillAt(1200);
    EXPECT_EQ(previous.end + 200000, next.start);
    EXPECT_EQ(previous.end + 1000000, next.end); // still the elapsed 100 ms

    // A new worker start restores the initial offset.
    pin->OnWorkerEnd();
    pin->tick = 5000;
    ASSERT_EQ(S_OK, pin->OnWorkerStart());
    EXPECT_EQ(126333, FillAt(5100).start);
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
        sample->GetPointer(&data);
        EXPECT_TRUE(IsStamp(StampIn(data, sample->GetSize())));
        pin->OnWorkerEnd();
        pin.reset();
    }
}

} // namespace

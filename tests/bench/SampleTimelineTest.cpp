// The measuring sink, shown real samples from the platform's memory
// allocator, as the sample grabber shows them.
#include <gtest/gtest.h>

#include <dshow.h>
#include <wrl/client.h>

#include <cstring>
#include <thread>
#include <vector>

#include "bench/SampleTimeline.h"
#include "camera/Camera.h"
#include "camera/FrameReader.h"
#include "simcamera/SimControl.h"
#include "tests/support/FrameSizes.h"
#include "win/ComObject.h"

using Microsoft::WRL::ComPtr;

namespace {

using testenv::kFrameBytes;
const int kWidth = testenv::kFrameWidth;
const int kHeight = testenv::kFrameHeight;

class SampleTimelineTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                         reinterpret_cast<void**>(allocator.GetAddressOf())));
        ALLOCATOR_PROPERTIES wanted = {1, kFrameBytes, 1, 0};
        ALLOCATOR_PROPERTIES granted = {};
        ASSERT_EQ(S_OK, allocator->SetProperties(&wanted, &granted));
        ASSERT_EQ(S_OK, allocator->Commit());
    }
    void TearDown() override
    {
        if (allocator) {
            allocator->Decommit();
        }
        allocator.Reset();
        CoUninitialize();
    }

    // A sample whose data is zero with the given stamp at the frame's centre
    // (none when magic is null).
    ComPtr<IMediaSample> Sample(const char* magic, uint32_t sequence, uint64_t qpc, long actualLength = kFrameBytes)
    {
        ComPtr<IMediaSample> sample;
        EXPECT_EQ(S_OK, allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0));
        BYTE* data = nullptr;
        EXPECT_EQ(S_OK, sample->GetPointer(&data));
        std::memset(data, 0, kFrameBytes);
        if (magic) {
            SimStamp stamp = {};
            std::memcpy(stamp.magic, magic, 4);
            stamp.sequence = sequence;
            stamp.qpc = qpc;
            std::memcpy(data + SimStampOffset(kWidth, kHeight), &stamp, sizeof(stamp));
        }
        sample->SetActualDataLength(actualLength);
        return sample;
    }

    ComPtr<IMemAllocator> allocator;
};

} // namespace

TEST_F(SampleTimelineTest, RecordsStampTimesAndArrival)
{
    const ComPtr<SampleTimeline> timeline = win::MakeComObject<SampleTimeline>(kWidth, kHeight, 16);
    EXPECT_FALSE(timeline->SawStampedSample());

    LARGE_INTEGER before;
    QueryPerformanceCounter(&before);
    ComPtr<IMediaSample> sample = Sample("LUMO", 42, 123456789);
    REFERENCE_TIME start = 126333;
    REFERENCE_TIME end = 459666;
    sample->SetTime(&start, &end);
    EXPECT_EQ(S_OK, timeline->SampleCB(0, sample.Get()));
    sample.Reset();

    ASSERT_EQ(1u, timeline->Count());
    const SampleRecord record = timeline->Snapshot()[0];
    EXPECT_TRUE(record.stamped);
    EXPECT_EQ(42u, record.sequence);
    EXPECT_EQ(123456789, record.producedQpc);
    EXPECT_GE(record.receivedQpc, before.QuadPart);
    EXPECT_TRUE(record.hasTimes);
    EXPECT_EQ(start, record.start);
    EXPECT_EQ(end, record.end);
    EXPECT_FALSE(record.hasClockTime);
    EXPECT_EQ(GetCurrentThreadId(), record.threadId);
    EXPECT_TRUE(timeline->SawStampedSample());
}

TEST_F(SampleTimelineTest, OnlyACameraFrameCountsAsStamped)
{
    const ComPtr<SampleTimeline> timeline = win::MakeComObject<SampleTimeline>(kWidth, kHeight, 16);
    // A black frame (before the camera's first), the camera's stamp before
    // its first frame (sequence 0), and bytes that are not a stamp.
    EXPECT_EQ(S_OK, timeline->SampleCB(0, Sample(nullptr, 0, 0).Get()));
    EXPECT_EQ(S_OK, timeline->SampleCB(0, Sample("LUMO", 0, 0).Get()));
    EXPECT_EQ(S_OK, timeline->SampleCB(0, Sample("LUMA", 5, 99).Get()));
    ASSERT_EQ(3u, timeline->Count());
    for (const SampleRecord& record : timeline->Snapshot()) {
        EXPECT_FALSE(record.stamped);
        EXPECT_FALSE(record.hasTimes);
    }
    EXPECT_FALSE(timeline->SawStampedSample());
    // No sample at all is no delivery.
    EXPECT_EQ(S_OK, timeline->SampleCB(0, nullptr));
    EXPECT_EQ(3u, timeline->Count());
}

TEST_F(SampleTimelineTest, NeverReadsPastASampleTooSmallForTheStamp)
{
    // The timeline expects a frame four times the size: its stamp offset
    // lies beyond the sample's buffer, so nothing is read.
    const ComPtr<SampleTimeline> timeline = win::MakeComObject<SampleTimeline>(2 * kWidth, 2 * kHeight, 16);
    EXPECT_EQ(S_OK, timeline->SampleCB(0, Sample("LUMO", 7, 1).Get()));
    ASSERT_EQ(1u, timeline->Count());
    EXPECT_FALSE(timeline->Snapshot()[0].stamped);
}

TEST_F(SampleTimelineTest, ReadsTheGraphClockAtArrival)
{
    ComPtr<IReferenceClock> clock;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                                     reinterpret_cast<void**>(clock.GetAddressOf())));
    const ComPtr<SampleTimeline> timeline = win::MakeComObject<SampleTimeline>(kWidth, kHeight, 16);
    timeline->SetReferenceClock(clock.Get());
    REFERENCE_TIME before = 0;
    REFERENCE_TIME after = 0;
    clock->GetTime(&before);
    EXPECT_EQ(S_OK, timeline->SampleCB(0, Sample("LUMO", 1, 1).Get()));
    clock->GetTime(&after);
    const SampleRecord record = timeline->Snapshot()[0];
    EXPECT_TRUE(record.hasClockTime);
    EXPECT_GE(record.clockTime, before);
    EXPECT_LE(record.clockTime, after);
    timeline->SetReferenceClock(nullptr);
}

TEST_F(SampleTimelineTest, AnswersOnlyForTheGrabberCallback)
{
    const ComPtr<SampleTimeline> timeline = win::MakeComObject<SampleTimeline>(kWidth, kHeight, 16);
    ComPtr<ISampleGrabberCB> callback;
    EXPECT_EQ(S_OK, timeline->QueryInterface(IID_PPV_ARGS(&callback)));
    EXPECT_EQ(static_cast<ISampleGrabberCB*>(timeline.Get()), callback.Get());
    ComPtr<IMediaSample> notASample;
    EXPECT_EQ(E_NOINTERFACE, timeline->QueryInterface(IID_PPV_ARGS(&notASample)));
    EXPECT_EQ(nullptr, notASample.Get());
    EXPECT_EQ(E_POINTER, timeline->QueryInterface(IID_IUnknown, nullptr));
    // The frame-copying callback is refused.
    BYTE byte = 0;
    EXPECT_EQ(E_NOTIMPL, timeline->BufferCB(0, &byte, 1));
}

// A converted frame carries no stamp: the sink takes the frame the reader on
// its own thread delivered last, and when the controller learned of it.
TEST_F(SampleTimelineTest, ReaderIdentityTakesTheFrameTheReaderOnThisThreadDelivered)
{
    SimReset();
    CCamera camera;
    ASSERT_EQ(1, camera.Init());
    ASSERT_EQ(1, camera.Play());
    const ComPtr<SampleTimeline> timeline =
        win::MakeComObject<SampleTimeline>(kWidth, kHeight, 16, SampleTimeline::FrameIdentity::Reader);
    // Before any read nothing is known, and a stamp in the bytes is not read.
    timeline->SampleCB(0, Sample("LUMO", 7, 1).Get());

    FrameReader reader(camera, FrameReader::Counting::Uncounted);
    const FrameLayout layout = FrameLayout::Natural(PixelFormat::I420, 640, 480, FrameFit::ScaledWindow);
    std::vector<BYTE> frame(layout.Bytes());
    const FrameReader::Result read = reader.Read(frame.data(), static_cast<long>(frame.size()), layout, 2000);
    ASSERT_TRUE(read.fresh);
    timeline->SampleCB(0, Sample(nullptr, 0, 0).Get());
    // Another thread's sample is not this reader's frame.
    std::thread([&] { timeline->SampleCB(0, Sample(nullptr, 0, 0).Get()); }).join();
    camera.Stop();
    camera.UnInit();
    SimReset();

    const std::vector<SampleRecord> records = timeline->Snapshot();
    ASSERT_EQ(3u, records.size());
    EXPECT_FALSE(records[0].stamped);
    EXPECT_EQ(0, records[0].arrivalQpc);
    EXPECT_TRUE(records[1].stamped);
    EXPECT_EQ(static_cast<uint32_t>(read.sequence), records[1].sequence);
    EXPECT_GT(records[1].arrivalQpc, 0);
    EXPECT_EQ(records[1].arrivalQpc, records[1].producedQpc);
    EXPECT_LE(records[1].arrivalQpc, records[1].receivedQpc);
    EXPECT_FALSE(records[2].stamped);
    EXPECT_EQ(0, records[2].arrivalQpc);
}

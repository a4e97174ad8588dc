// The format ladder delivered through Wine's real filter graph at the camera's size and a scaled size, and a
// renderer's wider stride and IYUV through a pin's fills: each frame compared with FFmpeg's conversion of the same
// camera image (held still; only the stamp changes) and its bytes checked against its type's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "camera/FramePlanes.h"
#include "tests/filter/CaptureGraph.h"
#include "tests/support/FfmpegReference.h"
#include "tests/support/TestWatchdog.h"
#include "tests/support/VideoTypeKit.h"
#include "win/ComObject.h"

using namespace filtertest;
using convtest::Bytes;
using testenv::FormatFacts;
using testenv::TestVideoType;

namespace {

class LadderDelivery : public FilterTest {
protected:
    void SetUp() override
    {
        FilterTest::SetUp();
        StoreResolution(1); // the camera's binned 3032 x 2016 image
        SimHoldMarker(1);
    }
};

// The sample grabber's callback, keeping the bytes of the last sample too.
class FrameKeeper : public SampleLog {
public:
    HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample* sample) override
    {
        BYTE* data = nullptr;
        if (SUCCEEDED(sample->GetPointer(&data)) && data) {
            const long length = std::max(sample->GetActualDataLength(), 0L);
            win::LockGuard hold(keptLock);
            kept.assign(data, data + length);
        }
        return SampleLog::SampleCB(time, sample);
    }
    Bytes Kept()
    {
        win::LockGuard hold(keptLock);
        return kept;
    }

private:
    win::Lock keptLock;
    Bytes kept; // under keptLock
};

// The camera's current image, fetched from the simulated camera while it is open.
struct CameraImage {
    int width = 0, height = 0;
    Bytes bytes;
};
CameraImage CurrentImage()
{
    CameraImage image;
    if (CameraGetImageSize(&image.width, &image.height) == 1) {
        image.bytes.resize(static_cast<size_t>(image.width) * image.height * 3);
        if (CameraGetImageDataRGB24(image.bytes.data()) != 1) {
            image.bytes.clear();
        }
    }
    return image;
}

// The frame a client of this size expects: the camera's own sizes cut, the others scaled.
FrameFit ExpectedFit(int width)
{
    return width >= 3032 ? FrameFit::CentredCut : FrameFit::ScaledWindow;
}

// PSNR of frame (laid out as layout) against FFmpeg's conversion of image.
double PsnrAgainstFfmpeg(const CameraImage& image, const FrameLayout& layout, const Bytes& frame)
{
    std::string error;
    const FrameLayout packed = FrameLayout::Natural(layout.format, layout.width, layout.height, layout.fit);
    const Bytes reference = convtest::FfmpegFrame(image.bytes, image.width, image.height,
                                                  convtest::CropFor(image.width, image.height, layout), packed, &error);
    EXPECT_FALSE(reference.empty()) << error;
    return reference.empty() ? 0 : convtest::Psnr(reference, convtest::PicturePixels(layout, frame.data()));
}

// Thresholds as the converter's own comparison: a cut differs from FFmpeg by colour rounding alone, a scaled frame
// also by the scalers' averaging edges; a flipped, misplaced or wrongly ranged frame scores 30 dB or less.
const double kCutPsnr = 50;
const double kScaledPsnr = 38;

} // namespace

TEST_F(LadderDelivery, EveryFormatAtTheCamerasSizeAndAScaledSizeMatchesFfmpegThroughTheGraph)
{
    testenv::AllowTestToRun(600000);
    const FormatFacts* const formats[] = {&testenv::kRgb24Facts, &testenv::kRgb32Facts, &testenv::kYuy2Facts,
                                          &testenv::kNv12Facts,  &testenv::kI420Facts,  &testenv::kY800Facts};
    const struct {
        int width, height;
    } sizes[] = {{3032, 2016}, {1280, 720}};
    for (const auto& size : sizes) {
        for (const FormatFacts* facts : formats) {
            SCOPED_TRACE(testing::Message() << facts->name << " " << size.width << "x" << size.height);
            TestFilter source;
            TestVideoType type(*facts, size.width, size.height);
            ASSERT_EQ(S_OK, source.capture->SetFormat(type.Type()));

            const ComPtr<FrameKeeper> keeper = win::MakeComObject<FrameKeeper>();
            keeper->ReadFramesOf(size.width, size.height);
            GraphPlan plan = LoggedPlanWithoutClock(keeper.Get(), nullptr);
            plan.connectPreview = false;
            plan.source = source.filter.Get();
            plan.grabAnySubtype = true;
            CaptureGraph graph(plan);
            ASSERT_EQ(S_OK, graph.built);
            ASSERT_TRUE(SUCCEEDED(graph.Control()->Run()));
            ASSERT_TRUE(keeper->WaitForMore(3));
            const CameraImage image = CurrentImage();
            const Bytes frame = keeper->Kept();
            ASSERT_EQ(S_OK, graph.Stop());
            ASSERT_FALSE(image.bytes.empty());

            const size_t expectedBytes = testenv::FrameBytesOf(*facts, size.width, size.height);
            for (const SampleRecord& record : keeper->Records()) {
                EXPECT_EQ(static_cast<size_t>(record.actualLength), expectedBytes);
            }
            ASSERT_EQ(frame.size(), expectedBytes);
            const FrameLayout layout =
                FrameLayout::Natural(facts->format, size.width, size.height, ExpectedFit(size.width));
            const double psnr = PsnrAgainstFfmpeg(image, layout, frame);
            std::printf("%-5s %4dx%-4d through the graph: PSNR %.1f dB\n", facts->name, size.width, size.height, psnr);
            EXPECT_GE(psnr, size.width >= 3032 ? kCutPsnr : kScaledPsnr);
        }
    }
}

TEST_F(LadderDelivery, ARenderersWiderStrideAndIyuvAreAcceptedAndTheSamplesFollowTheirLayout)
{
    testenv::AllowTestToRun(300000);
    const struct {
        const FormatFacts& facts;
        int width, height, rowPixels;
    } cases[] = {
        {testenv::kNv12Facts, 1280, 720, 1344}, {testenv::kIyuvFacts, 640, 480, 0},
        {testenv::kRgb24Facts, 640, 480, 704},  {testenv::kYuy2Facts, 1920, 1080, 2048},
        {testenv::kY800Facts, 640, 480, 672},   {testenv::kI420Facts, 1280, 720, 1408},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.facts.name << " " << c.width << "x" << c.height << " in rows of "
                                        << c.rowPixels);
        TestFilter under;
        TestVideoType type(c.facts, c.width, c.height, c.rowPixels);
        // A peer's proposal, accepted as it is: it becomes the pin's type.
        ASSERT_EQ(S_OK, under.preview->QueryAccept(type.Type()));
        AM_MEDIA_TYPE* current = nullptr;
        ASSERT_EQ(S_OK, under.preview->GetFormat(&current));
        EXPECT_TRUE(IsEqualGUID(current->subtype, c.facts.subtype));
        EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(current->pbFormat)->bmiHeader.biWidth,
                  type.Info().bmiHeader.biWidth);
        DeleteType(current);

        const size_t frameBytes = type.Info().bmiHeader.biSizeImage;
        ComPtr<IMemAllocator> allocator;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                         reinterpret_cast<void**>(allocator.GetAddressOf())));
        ALLOCATOR_PROPERTIES request = {1, static_cast<long>(frameBytes) + 256, 1, 0};
        ALLOCATOR_PROPERTIES granted = {};
        ASSERT_EQ(S_OK, allocator->SetProperties(&request, &granted));
        ASSERT_EQ(S_OK, allocator->Commit());
        ASSERT_EQ(S_OK, under.preview->OnWorkerStart());
        ComPtr<IMediaSample> sample;
        for (int fill = 0; fill < 2; ++fill) { // the second is a camera frame for certain
            sample.Reset();
            ASSERT_EQ(S_OK, allocator->GetBuffer(sample.GetAddressOf(), nullptr, nullptr, 0));
            BYTE* data = nullptr;
            ASSERT_EQ(S_OK, sample->GetPointer(&data));
            std::fill(data, data + sample->GetSize(), 0xAB);
            ASSERT_EQ(S_OK, under.preview->FillSample(sample.Get()));
        }
        const CameraImage image = CurrentImage();
        EXPECT_EQ(S_OK, under.preview->OnWorkerEnd());

        BYTE* data = nullptr;
        ASSERT_EQ(S_OK, sample->GetPointer(&data));
        ASSERT_EQ(static_cast<size_t>(sample->GetActualDataLength()), frameBytes);
        EXPECT_TRUE(std::all_of(data + frameBytes, data + sample->GetSize(), [](BYTE b) { return b == 0xAB; }))
            << "written past the frame";
        const size_t stride = frameBytes / (c.facts.format == PixelFormat::Nv12 || c.facts.format == PixelFormat::I420
                                                ? static_cast<size_t>(c.height) * 3 / 2
                                                : static_cast<size_t>(c.height));
        const FrameLayout layout =
            FrameLayout::WithStride(c.facts.format, c.width, c.height, stride, ExpectedFit(c.width));
        ASSERT_FALSE(layout.IsEmpty());
        // Every row's padding written, as zero.
        const FramePlanes planes = PlanesOf(layout, data);
        for (int p = 0; p < planes.count; ++p) {
            const FramePlane& plane = planes.plane[p];
            const int padding = std::abs(plane.step) - plane.rowBytes;
            for (int row = 0; row < plane.rows && padding > 0; ++row) {
                const BYTE* end = plane.top + static_cast<ptrdiff_t>(row) * plane.step + plane.rowBytes;
                ASSERT_TRUE(std::all_of(end, end + padding, [](BYTE b) { return b == 0; }))
                    << "plane " << p << " row " << row;
            }
        }
        ASSERT_FALSE(image.bytes.empty());
        const double psnr = PsnrAgainstFfmpeg(image, layout, Bytes(data, data + frameBytes));
        std::printf("%-5s %4dx%-4d in rows of %d: PSNR %.1f dB\n", c.facts.name, c.width, c.height, c.rowPixels, psnr);
        EXPECT_GE(psnr, kScaledPsnr);
        sample.Reset();
        EXPECT_EQ(S_OK, allocator->Decommit());
    }
}

// The frame layouts of every format and the converter that fills them from
// the camera's image: checked against FFmpeg's own conversion of the same
// image (orientation, crop window, scaling, colour matrix and range), and for
// the bytes each frame owns (exact sizes, padding, capacity, black).
//
// The camera image is the simulated camera's (its colour bars, grey bands
// and ramp), fetched once per image size through its SDK exports.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "camera/CameraSdk.h"
#include "camera/FrameConverter.h"
#include "camera/FramePlanes.h"
#include "camera/FrameWindow.h"
#include "camera/ScalePlan.h"
#include "libyuv/convert_argb.h"
#include "libyuv/convert_from_argb.h"
#include "libyuv/scale_argb.h"
#include "simcamera/SimControl.h"
#include "tests/support/FfmpegReference.h"

using convtest::Bytes;
using convtest::Crop;

namespace {

const PixelFormat kFormats[] = {PixelFormat::Rgb24, PixelFormat::Rgb32, PixelFormat::Yuy2,
                                PixelFormat::Nv12,  PixelFormat::I420,  PixelFormat::Y800};
const uint8_t kGuard = 0xA5;

struct CameraImage {
    int width = 0;
    int height = 0;
    Bytes bytes;
};

// The simulated camera's image at a resolution index (0: 3264 x 2448; 1:
// 3032 x 2016), fetched once per program.
const CameraImage& ImageAt(int resolution)
{
    static std::map<int, CameraImage> images;
    CameraImage& image = images[resolution];
    if (image.bytes.empty()) {
        SimReset();
        if (CameraInit(nullptr, resolution, nullptr, nullptr) == 1 &&
            CameraGetImageSize(&image.width, &image.height) == 1) {
            image.bytes.resize(static_cast<size_t>(image.width) * image.height * 3);
            if (CameraGetImageDataRGB24(image.bytes.data()) != 1) {
                image.bytes.clear();
            }
        }
        SimReset();
    }
    return image;
}

// A frame buffer with guard bytes after the layout's bytes.
struct GuardedFrame {
    Bytes bytes;
    size_t size;
    explicit GuardedFrame(size_t frameBytes, uint8_t fill = 0x3C) : bytes(frameBytes + 64, fill), size(frameBytes)
    {
        std::fill(bytes.begin() + static_cast<ptrdiff_t>(frameBytes), bytes.end(), kGuard);
    }
    uint8_t* Data() { return bytes.data(); }
    bool GuardsIntact() const
    {
        return std::all_of(bytes.begin() + static_cast<ptrdiff_t>(size), bytes.end(),
                           [](uint8_t b) { return b == kGuard; });
    }
};

// Converts image into a new guarded frame of layout (capacity: its bytes).
GuardedFrame Convert(const CameraImage& image, const FrameLayout& layout, size_t* written)
{
    GuardedFrame frame(layout.Bytes());
    FrameConverter converter;
    *written = converter.Write(image.bytes.data(), image.width, image.height, layout, frame.Data(), frame.size);
    return frame;
}

} // namespace

TEST(FrameLayoutFormats, StridesAndBytesFollowEachFormat)
{
    const struct {
        PixelFormat format;
        int width, height;
        size_t stride; // 0: the format's own
        size_t expectedStride, expectedBytes; // 0, 0: an empty layout
    } cases[] = {
        {PixelFormat::Rgb24, 3031, 2016, 0, 9096, 9096u * 2016},   // rows padded to 4 bytes
        {PixelFormat::Rgb32, 1280, 720, 0, 5120, 5120u * 720},
        {PixelFormat::Yuy2, 1920, 1080, 0, 3840, 3840u * 1080},
        {PixelFormat::Nv12, 1280, 720, 0, 1280, 1280u * 720 * 3 / 2},
        {PixelFormat::I420, 640, 480, 0, 640, 640u * 480 * 3 / 2},
        {PixelFormat::Y800, 3264, 2448, 0, 3264, 3264u * 2448},
        {PixelFormat::I420, 1280, 720, 1344, 1344, 1344u * 720 + 2 * 672u * 360},   // a renderer's wider stride
        {PixelFormat::I420, 1280, 720, 1345, 1345, 1345u * 720 + 2 * 672u * 360},   // chroma at stride / 2
        {PixelFormat::Nv12, 1280, 720, 1408, 1408, 1408u * 720 * 3 / 2},
        {PixelFormat::Rgb32, 1280, 720, 5124, 5124, 5124u * 720},
        {PixelFormat::Rgb24, 4, 4, 11, 0, 0},   // stride below a row
        {PixelFormat::Yuy2, 1280, 720, 2559, 0, 0},
        {PixelFormat::Yuy2, 641, 480, 0, 0, 0}, // odd width, shared chroma
        {PixelFormat::Nv12, 640, 481, 0, 0, 0}, // odd height, 4:2:0
        {PixelFormat::I420, 639, 480, 0, 0, 0},
        {PixelFormat::Yuy2, 640, 481, 0, 1280, 1280u * 481}, // 4:2:2 takes any height
        {PixelFormat::Y800, 641, 481, 0, 641, 641u * 481},
        {PixelFormat::Rgb32, 0, 480, 0, 0, 0},
        {PixelFormat::Nv12, 640, -2, 0, 0, 0},
        {PixelFormat::Rgb32, 30000, 30000, 0, 0, 0}, // beyond a 32-bit byte count
        {PixelFormat::Nv12, 40000, 40000, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const FrameLayout layout = c.stride ? FrameLayout::WithStride(c.format, c.width, c.height, c.stride)
                                            : FrameLayout::Natural(c.format, c.width, c.height);
        EXPECT_EQ(layout.stride, c.expectedStride) << PixelFormatName(c.format) << " " << c.width << "x" << c.height;
        EXPECT_EQ(layout.Bytes(), c.expectedBytes) << PixelFormatName(c.format) << " " << c.width << "x" << c.height;
        EXPECT_EQ(layout.IsEmpty(), c.expectedBytes == 0) << PixelFormatName(c.format) << " " << c.width << "x" << c.height;
    }
    EXPECT_EQ(FrameLayout::Rgb24Dib(3031, 2016).Bytes(), FrameLayout::Natural(PixelFormat::Rgb24, 3031, 2016).Bytes());
    EXPECT_TRUE(FrameLayout::Rgb24Dib(3032, 2016).HoldsImageUncut(3032, 2016));
    EXPECT_FALSE(FrameLayout::Natural(PixelFormat::Y800, 3032 * 3, 2016).HoldsImageUncut(3032 * 3, 2016))
        << "only an RGB24 frame is the image byte for byte";
}

TEST(ScaledWindowPlan, LargestCentredWindowAndExactStrips)
{
    const struct {
        int imageWidth, imageHeight, frameWidth, frameHeight;
        PictureRect window;
    } windows[] = {
        {3264, 2448, 1280, 720, {0, 306, 3264, 1836}},  // 16:9
        {3264, 2448, 1920, 1080, {0, 306, 3264, 1836}},
        {3264, 2448, 640, 480, {0, 0, 3264, 2448}},     // 4:3: the whole image
        {3032, 2016, 640, 480, {172, 0, 2688, 2016}},
        {3032, 2016, 1280, 720, {12, 162, 3008, 1692}}, // the exact 16:9 window, 0.8 % narrower
        {3032, 2016, 3032, 2016, {0, 0, 3032, 2016}},
        {1000, 1000, 997, 3, {0, 498, 1000, 4}},        // nearest even (3.009 -> 4): no exact ratio fits well
        {1, 480, 640, 480, {0, 0, 0, 0}},
    };
    for (const auto& c : windows) {
        const PictureRect window = LargestWindowWithAspect(c.imageWidth, c.imageHeight, c.frameWidth, c.frameHeight);
        EXPECT_EQ(window.left, c.window.left) << c.frameWidth << "x" << c.frameHeight << " of " << c.imageWidth;
        EXPECT_EQ(window.top, c.window.top) << c.frameWidth << "x" << c.frameHeight << " of " << c.imageWidth;
        EXPECT_EQ(window.width, c.window.width) << c.frameWidth << "x" << c.frameHeight << " of " << c.imageWidth;
        EXPECT_EQ(window.height, c.window.height) << c.frameWidth << "x" << c.frameHeight << " of " << c.imageWidth;
    }

    const struct {
        int windowRows, frameRows, outputMultiple, sourceMultiple;
        int sourceRows, outputRows;
    } strips[] = {
        {1836, 720, 1, 1, 51, 20},    // the unit of 2.55
        {1836, 720, 2, 2, 102, 40},   // doubled: source rows in 2 x 2 boxes
        {2448, 480, 2, 4, 204, 40},   // 51 : 10 to whole 4 x 4 boxes
        {1836, 1080, 2, 1, 17, 10},   // 1.7
        {2016, 480, 2, 4, 84, 20},    // 21 : 5
        {1692, 720, 2, 2, 94, 40},
        {1836, 1836, 1, 1, 32, 32},   // no vertical scale
        {1706, 720, 2, 1, 1706, 720}, // a unit of 853 rows: one strip
    };
    for (const auto& c : strips) {
        const StripPlan plan = PlanStrips(c.windowRows, c.frameRows, c.outputMultiple, c.sourceMultiple, 32, 256);
        EXPECT_EQ(plan.sourceRows, c.sourceRows) << c.windowRows << " to " << c.frameRows;
        EXPECT_EQ(plan.outputRows, c.outputRows) << c.windowRows << " to " << c.frameRows;
    }
}

// Each format at its native size (the 3032 x 2016 cut of the full-sensor
// image) and at two scaled sizes (16:9 of the full-sensor image, 4:3 of the
// binned one), against FFmpeg's conversion of the same image. Thresholds:
// the cuts differ by the rounding of the colour arithmetic alone (52 dB and
// more were measured; RGB is exact); scaled frames also by where the two
// scalers put the edges of their averaging areas (FFmpeg weighs partial
// pixels, libyuv's box takes whole ones), 40-49 dB measured. A frame in the
// wrong range (shown below) scores 30 dB; a flip, a matrix or a window off
// by a few rows lower still.
TEST(FrameConverter, EveryFormatMatchesFfmpegAtANativeAndAScaledSize)
{
    const struct {
        int resolution, width, height;
        FrameFit fit;
        double minimumPsnr;
    } sizes[] = {
        {0, 3032, 2016, FrameFit::CentredCut, 50},
        {0, 1280, 720, FrameFit::ScaledWindow, 38},
        {1, 640, 480, FrameFit::ScaledWindow, 38},
        {0, 1920, 1080, FrameFit::ScaledWindow, 38},
    };
    for (const auto& size : sizes) {
        const CameraImage& image = ImageAt(size.resolution);
        ASSERT_FALSE(image.bytes.empty()) << "no image from the simulated camera";
        for (PixelFormat format : kFormats) {
            const FrameLayout layout = FrameLayout::Natural(format, size.width, size.height, size.fit);
            size_t written = 0;
            GuardedFrame frame = Convert(image, layout, &written);
            EXPECT_EQ(written, layout.Bytes()) << PixelFormatName(format);
            EXPECT_TRUE(frame.GuardsIntact()) << PixelFormatName(format) << ": wrote past its bytes";

            std::string error;
            const Crop crop = convtest::CropFor(image.width, image.height, layout);
            const Bytes reference = convtest::FfmpegFrame(image.bytes, image.width, image.height, crop, layout, &error);
            ASSERT_FALSE(reference.empty()) << error;
            const double psnr = convtest::Psnr(reference, convtest::PicturePixels(layout, frame.Data()));
            std::printf("%-5s %4dx%-4d from %dx%d (%s): PSNR %.1f dB\n", PixelFormatName(format), size.width, size.height,
                        image.width, image.height, size.fit == FrameFit::CentredCut ? "cut" : "scaled", psnr);
            EXPECT_GE(psnr, size.minimumPsnr) << PixelFormatName(format) << " " << size.width << "x" << size.height;
        }
    }

    // The same comparison tells a full-range frame from a limited-range one.
    const CameraImage& image = ImageAt(0);
    const FrameLayout nv12 = FrameLayout::Natural(PixelFormat::Nv12, 1280, 720, FrameFit::ScaledWindow);
    size_t written = 0;
    GuardedFrame frame = Convert(image, nv12, &written);
    std::string error;
    const Crop crop = convtest::CropFor(image.width, image.height, nv12);
    const Bytes fullRange = convtest::FfmpegFrame(image.bytes, image.width, image.height, crop, nv12, &error, true);
    ASSERT_FALSE(fullRange.empty()) << error;
    const double wrong = convtest::Psnr(fullRange, convtest::PicturePixels(nv12, frame.Data()));
    std::printf("NV12 1280x720 against a full-range reference: PSNR %.1f dB\n", wrong);
    EXPECT_LT(wrong, 33);
}

// A renderer's wider stride: the same pixels at that stride, the padding 0,
// for the cut and the scaled path of every format.
TEST(FrameConverter, AWiderStrideHoldsTheSameRowsWithZeroPadding)
{
    const CameraImage& image = ImageAt(0);
    ASSERT_FALSE(image.bytes.empty());
    for (FrameFit fit : {FrameFit::CentredCut, FrameFit::ScaledWindow}) {
        for (PixelFormat format : kFormats) {
            const FrameLayout natural = FrameLayout::Natural(format, 640, 480, fit);
            const FrameLayout wide = FrameLayout::WithStride(format, 640, 480, natural.stride + 68, fit);
            ASSERT_FALSE(wide.IsEmpty()) << PixelFormatName(format);
            size_t naturalWritten = 0, wideWritten = 0;
            GuardedFrame expected = Convert(image, natural, &naturalWritten);
            GuardedFrame frame = Convert(image, wide, &wideWritten);
            EXPECT_EQ(wideWritten, wide.Bytes()) << PixelFormatName(format);
            EXPECT_TRUE(frame.GuardsIntact()) << PixelFormatName(format);
            EXPECT_EQ(convtest::PicturePixels(wide, frame.Data()), convtest::PicturePixels(natural, expected.Data()))
                << PixelFormatName(format);
            // Every byte outside the rows' pixels is padding.
            Bytes padding = frame.bytes;
            const FramePlanes planes = PlanesOf(wide, padding.data());
            for (int i = 0; i < planes.count; ++i) {
                for (int row = 0; row < planes.plane[i].rows; ++row) {
                    std::memset(planes.plane[i].top + static_cast<ptrdiff_t>(row) * planes.plane[i].step, 0,
                                static_cast<size_t>(planes.plane[i].rowBytes));
                }
            }
            EXPECT_TRUE(std::all_of(padding.begin(), padding.begin() + static_cast<ptrdiff_t>(wide.Bytes()),
                                    [](uint8_t b) { return b == 0; }))
                << PixelFormatName(format) << ": padding not 0";
        }
    }
}

// A frame that does not fit gets nothing; a missing image gives black of the
// format; an image smaller than the frame sits centred on black.
TEST(FrameConverter, ShortCapacityBlackFramesAndSmallImages)
{
    const CameraImage& image = ImageAt(0);
    ASSERT_FALSE(image.bytes.empty());
    const struct {
        PixelFormat format;
        uint8_t black[4]; // a pixel's (pair's) black bytes, first plane
        uint8_t chroma;   // black of the chroma planes
    } blacks[] = {
        {PixelFormat::Rgb24, {0, 0, 0}, 0},      {PixelFormat::Rgb32, {0, 0, 0, 0xFF}, 0},
        {PixelFormat::Yuy2, {16, 128, 16, 128}, 0}, {PixelFormat::Nv12, {16}, 128},
        {PixelFormat::I420, {16}, 128},          {PixelFormat::Y800, {0}, 0},
    };
    FrameConverter converter;
    for (const auto& c : blacks) {
        for (FrameFit fit : {FrameFit::CentredCut, FrameFit::ScaledWindow}) {
            const FrameLayout layout = FrameLayout::Natural(c.format, 64, 48, fit);
            if (c.format != PixelFormat::Rgb24 || fit != FrameFit::CentredCut) {
                GuardedFrame shortFrame(layout.Bytes() - 1);
                EXPECT_EQ(converter.Write(image.bytes.data(), image.width, image.height, layout, shortFrame.Data(),
                                          shortFrame.size),
                          0u)
                    << PixelFormatName(c.format);
                EXPECT_TRUE(std::all_of(shortFrame.bytes.begin(), shortFrame.bytes.begin() + shortFrame.size,
                                        [](uint8_t b) { return b == 0x3C; }))
                    << PixelFormatName(c.format) << ": a short frame was written";
            }
            GuardedFrame black(layout.Bytes());
            EXPECT_EQ(converter.Write(nullptr, 0, 0, layout, black.Data(), black.size), layout.Bytes());
            EXPECT_TRUE(black.GuardsIntact());
            const Bytes pixels = convtest::PicturePixels(layout, black.Data());
            const size_t firstPlane = static_cast<size_t>(layout.stride) * layout.height;
            const int unit = c.format == PixelFormat::Yuy2 ? 4 : FirstPlaneBytesPerPixel(c.format);
            for (size_t i = 0; i < pixels.size(); ++i) {
                const uint8_t expected = i < firstPlane ? c.black[i % unit] : c.chroma;
                ASSERT_EQ(pixels[i], expected) << PixelFormatName(c.format) << " byte " << i;
            }
        }
    }

    // A 20 x 10 image in a 64 x 48 NV12 frame: at even offsets (22, 18),
    // black around it, and inside the image's own conversion.
    const int w = 20, h = 10;
    Bytes small(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < small.size(); ++i) {
        small[i] = static_cast<uint8_t>(i * 7);
    }
    const FrameLayout frameLayout = FrameLayout::Natural(PixelFormat::Nv12, 64, 48);
    const FrameLayout alone = FrameLayout::Natural(PixelFormat::Nv12, w, h);
    GuardedFrame frame(frameLayout.Bytes()), expected(alone.Bytes());
    ASSERT_EQ(converter.Write(small.data(), w, h, frameLayout, frame.Data(), frame.size), frameLayout.Bytes());
    ASSERT_EQ(converter.Write(small.data(), w, h, alone, expected.Data(), expected.size), alone.Bytes());
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 22 && x < 22 + w && y >= 18 && y < 18 + h;
            const uint8_t luma = frame.bytes[static_cast<size_t>(y) * 64 + x];
            ASSERT_EQ(luma, inside ? expected.bytes[static_cast<size_t>(y - 18) * w + (x - 22)] : 16)
                << x << "," << y;
            const uint8_t u = frame.bytes[64 * 48 + static_cast<size_t>(y / 2) * 64 + (x & ~1)];
            const uint8_t expectedU =
                inside ? expected.bytes[static_cast<size_t>(w) * h + static_cast<size_t>((y - 18) / 2) * w + ((x - 22) & ~1)]
                       : 128;
            ASSERT_EQ(u, expectedU) << x << "," << y;
        }
    }
}

// The RGB24 cut is CopyCentredWindow's, byte for byte, whole rows included
// when the capacity is short.
TEST(FrameConverter, Rgb24CutIsTheCentredWindowCopyAsBefore)
{
    const CameraImage& image = ImageAt(0);
    ASSERT_FALSE(image.bytes.empty());
    FrameConverter converter;
    for (const FrameLayout& layout : {FrameLayout::Rgb24Dib(3032, 2016), FrameLayout::Rgb24Dib(3031, 2448),
                                      FrameLayout::Natural(PixelFormat::Rgb24, 3264, 2448, FrameFit::ScaledWindow)}) {
        for (size_t capacity : {layout.Bytes(), layout.Bytes() - 1, layout.stride * 5 + 2}) {
            GuardedFrame ours(capacity), copied(capacity);
            EXPECT_EQ(converter.Write(image.bytes.data(), image.width, image.height, layout, ours.Data(), capacity),
                      CopyCentredWindow(image.bytes.data(), image.width, image.height, layout, copied.Data(), capacity));
            EXPECT_EQ(ours.bytes, copied.bytes) << layout.width << "x" << layout.height << " capacity " << capacity;
        }
    }
}

// Area averaging, not point sampling: a checkerboard of single pixels
// scaled down comes out an even grey everywhere, in every format, at 2.55,
// 1.7 and 5.1 : 1 (a bilinear scale alone gives 8-92 % at 1.7).
TEST(FrameConverter, ScalingAveragesFineDetailIntoGrey)
{
    CameraImage checker;
    checker.width = 3264;
    checker.height = 2448;
    checker.bytes.resize(static_cast<size_t>(checker.width) * checker.height * 3);
    for (int y = 0; y < checker.height; ++y) {
        for (int x = 0; x < checker.width; ++x) {
            std::memset(&checker.bytes[(static_cast<size_t>(y) * checker.width + x) * 3], (x + y) % 2 ? 255 : 0, 3);
        }
    }
    for (int height : {720, 1080, 480}) {
        for (PixelFormat format : kFormats) {
            const FrameLayout layout = FrameLayout::Natural(format, height * 16 / 9 / 2 * 2, height,
                                                            FrameFit::ScaledWindow);
            size_t written = 0;
            GuardedFrame frame = Convert(checker, layout, &written);
            ASSERT_EQ(written, layout.Bytes());
            const FramePlanes planes = PlanesOf(layout, frame.Data());
            const FramePlane& first = planes.plane[0];
            // The luma (or every colour byte): the checker's mean, 128 (YUV
            // 126), within what whole-pixel boxes of 2 or 3 pixels allow.
            int lowest = 255, highest = 0;
            const int step = format == PixelFormat::Yuy2 ? 2 : 1;
            for (int row = 0; row < first.rows; ++row) {
                const uint8_t* pixel = first.top + static_cast<ptrdiff_t>(row) * first.step;
                for (int i = 0; i < first.rowBytes; i += step) {
                    if (format == PixelFormat::Rgb32 && i % 4 == 3) {
                        continue;
                    }
                    lowest = std::min<int>(lowest, pixel[i]);
                    highest = std::max<int>(highest, pixel[i]);
                }
            }
            EXPECT_GE(lowest, 96) << PixelFormatName(format) << " " << layout.width << "x" << height;
            EXPECT_LE(highest, 160) << PixelFormatName(format) << " " << layout.width << "x" << height;
        }
    }
}

// The strips give the picture of one whole-window scale: NV12 at 1280 x 720
// and 1920 x 1080 from the 3264 x 1836 window (the 2 x 2 box to 1632 x 918,
// then bilinear down or up), against the same libyuv calls made once over
// the whole window.
TEST(FrameConverter, StripsGiveThePictureOfOneWholeWindowScale)
{
    const CameraImage& image = ImageAt(0);
    ASSERT_FALSE(image.bytes.empty());
    const int w = 3264, h = 1836, top = 306;
    const uint8_t* windowTop = image.bytes.data() + static_cast<size_t>(image.height - 1 - top) * w * 3;
    Bytes argb(static_cast<size_t>(w) * h * 4);
    ASSERT_EQ(libyuv::RGB24ToARGB(windowTop, -w * 3, argb.data(), w * 4, w, h), 0);
    for (int height : {720, 1080}) {
        const int width = height * 16 / 9;
        Bytes scaled(static_cast<size_t>(width) * height * 4), half(static_cast<size_t>(w / 2) * (h / 2) * 4);
        ASSERT_EQ(libyuv::ARGBScale(argb.data(), w * 4, w, h, half.data(), w * 2, w / 2, h / 2, libyuv::kFilterBox), 0);
        ASSERT_EQ(libyuv::ARGBScale(half.data(), w * 2, w / 2, h / 2, scaled.data(), width * 4, width, height,
                                    libyuv::kFilterBilinear),
                  0);
        const FrameLayout nv12 = FrameLayout::Natural(PixelFormat::Nv12, width, height, FrameFit::ScaledWindow);
        Bytes whole(nv12.Bytes());
        ASSERT_EQ(libyuv::ARGBToNV12(scaled.data(), width * 4, whole.data(), width,
                                     whole.data() + static_cast<size_t>(width) * height, width, width, height),
                  0);

        size_t written = 0;
        GuardedFrame strips = Convert(image, nv12, &written);
        ASSERT_EQ(written, nv12.Bytes());
        const Bytes ours(strips.bytes.begin(), strips.bytes.begin() + static_cast<ptrdiff_t>(nv12.Bytes()));
        const double psnr = convtest::Psnr(whole, ours);
        int largest = 0;
        for (size_t i = 0; i < whole.size(); ++i) {
            largest = std::max(largest, std::abs(whole[i] - ours[i]));
        }
        std::printf("NV12 %dx%d in strips against one whole-window scale: PSNR %.1f dB, largest difference %d\n",
                    width, height, psnr, largest);
        EXPECT_GE(psnr, 45) << width << "x" << height;
    }
}

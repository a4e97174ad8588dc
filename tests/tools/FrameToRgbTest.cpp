// A frame of each pixel format turned back into the picture for a PNG: a smooth image comes back upright.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camera/FrameConverter.h"
#include "tools/lumoracap/FrameToRgb.h"

namespace {

const int kWidth = 64;
const int kHeight = 48;

// A bottom-up BGR image changing smoothly both ways, so shared chroma loses little; bright at the top, dark below.
std::vector<BYTE> SmoothImage()
{
    std::vector<BYTE> image(kWidth * kHeight * 3);
    for (int row = 0; row < kHeight; ++row) {
        const int pictureRow = kHeight - 1 - row; // bottom-up
        for (int x = 0; x < kWidth; ++x) {
            BYTE* pixel = &image[(row * kWidth + x) * 3];
            pixel[0] = static_cast<BYTE>(40 + 2 * x);
            pixel[1] = static_cast<BYTE>(230 - 4 * pictureRow);
            pixel[2] = static_cast<BYTE>(60 + x + pictureRow);
        }
    }
    return image;
}

// PSNR of the upright picture against the bottom-up image; for a grey frame against the image's luma.
double PictureQuality(const std::vector<BYTE>& image, const std::vector<BYTE>& picture, bool grey)
{
    double squares = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const BYTE* expected = &image[((kHeight - 1 - y) * kWidth + x) * 3];
            const BYTE* got = &picture[(y * kWidth + x) * 3];
            const double luma = 0.114 * expected[0] + 0.587 * expected[1] + 0.299 * expected[2];
            for (int c = 0; c < 3; ++c) {
                const double difference = (grey ? luma : expected[c]) - got[c];
                squares += difference * difference;
            }
        }
    }
    const double mean = squares / (kWidth * kHeight * 3);
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

TEST(FrameToRgb, EveryFormatComesBackAsThePictureUpright)
{
    const std::vector<BYTE> image = SmoothImage();
    const struct {
        PixelFormat format;
        size_t extraStride; // a renderer's wider rows
        double minimumPsnr;
    } cases[] = {
        {PixelFormat::Rgb24, 0, 99},  {PixelFormat::Rgb24, 8, 99}, {PixelFormat::Rgb32, 0, 99},
        {PixelFormat::Yuy2, 0, 38},   {PixelFormat::Nv12, 0, 38},  {PixelFormat::Nv12, 32, 38},
        {PixelFormat::I420, 0, 38},   {PixelFormat::Y800, 0, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        SCOPED_TRACE(c.extraStride);
        const FrameLayout natural = FrameLayout::Natural(c.format, kWidth, kHeight);
        const FrameLayout layout = FrameLayout::WithStride(c.format, kWidth, kHeight, natural.stride + c.extraStride);
        std::vector<BYTE> frame(layout.Bytes());
        FrameConverter converter;
        ASSERT_EQ(frame.size(), converter.Write(image.data(), kWidth, kHeight, layout, frame.data(), frame.size()));

        std::vector<BYTE> picture;
        ASSERT_TRUE(FrameToRgb24(frame.data(), frame.size(), layout, &picture));
        ASSERT_EQ(static_cast<size_t>(kWidth * kHeight * 3), picture.size());
        EXPECT_GE(PictureQuality(image, picture, c.format == PixelFormat::Y800), c.minimumPsnr);

        // A frame shorter than its layout is refused, not read past.
        EXPECT_FALSE(FrameToRgb24(frame.data(), frame.size() - 1, layout, &picture));
        EXPECT_TRUE(picture.empty());
    }
}

} // namespace

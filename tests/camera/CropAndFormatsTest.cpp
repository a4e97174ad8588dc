// The controller's pure parts: the frame cut from the camera's image (a crop, or centred on black), offered formats.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "camera/Camera.h"
#include "camera/FrameWindow.h"
#include "tests/camera/CentredCut.h"

using cameratest::ExpectedByte;

namespace {

using Bytes = std::vector<unsigned char>;

// An RGB24 image whose every byte tells its place: pixel (x, y), channel c.
Bytes NumberedImage(int width, int height)
{
    Bytes image(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                image[(static_cast<size_t>(y) * width + x) * 3 + c] = static_cast<unsigned char>(y * 40 + x * 3 + c);
            }
        }
    }
    return image;
}

const unsigned char kGuard = 0xCD;

} // namespace

TEST(CopyCentredWindow, CropsOrCentresOnBlackInEachDimension)
{
    const struct {
        const char* what;
        int imageWidth, imageHeight, frameWidth, frameHeight;
    } cases[] = {
        {"same size", 5, 3, 5, 3},
        {"crop, odd margins round down", 7, 6, 2, 3},
        {"image smaller: centred on black", 3, 2, 6, 5},
        {"wider image, shorter image", 9, 2, 4, 5},
        {"narrower image, taller image", 2, 9, 5, 4},
        {"rows padded to 4 bytes", 6, 4, 3, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes image = NumberedImage(c.imageWidth, c.imageHeight);
        const FrameLayout layout = FrameLayout::Rgb24Dib(c.frameWidth, c.frameHeight);
        ASSERT_EQ(layout.stride % 4, 0u);
        Bytes frame(layout.Bytes() + 16, kGuard);
        EXPECT_EQ(CopyCentredWindow(image.data(), c.imageWidth, c.imageHeight, layout, frame.data(), frame.size()),
                  layout.Bytes());
        for (int y = 0; y < c.frameHeight; ++y) {
            const unsigned char* row = frame.data() + y * layout.stride;
            for (int x = 0; x < c.frameWidth; ++x) {
                for (int channel = 0; channel < 3; ++channel) {
                    ASSERT_EQ(row[x * 3 + channel], ExpectedByte(image, c.imageWidth, c.imageHeight, c.frameWidth,
                                                                 c.frameHeight, x, y, channel))
                        << "frame pixel " << x << "," << y << " channel " << channel;
                }
            }
            for (size_t padding = c.frameWidth * 3; padding < layout.stride; ++padding) {
                ASSERT_EQ(row[padding], 0) << "row padding is black, row " << y;
            }
        }
        EXPECT_EQ(Bytes(frame.end() - 16, frame.end()), Bytes(16, kGuard)) << "wrote past the frame";
    }
}

TEST(CopyCentredWindow, WritesWholeRowsWithinTheCapacityAndBlackWithoutAnImage)
{
    const Bytes image = NumberedImage(4, 4);
    const FrameLayout layout = FrameLayout::Rgb24Dib(4, 4); // 12-byte rows
    const struct {
        const char* what;
        const unsigned char* image;
        int imageWidth;
        size_t capacity, written;
        bool black;
    } cases[] = {
        {"two rows and a half fit", image.data(), 4, 30, 24, false},
        {"not one row fits", image.data(), 4, 11, 0, false},
        {"no image", nullptr, 4, 48, 48, true},
        {"an empty image", image.data(), 0, 48, 48, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes frame(64, kGuard);
        EXPECT_EQ(CopyCentredWindow(c.image, c.imageWidth, 4, layout, frame.data(), c.capacity), c.written);
        EXPECT_EQ(Bytes(frame.begin() + c.written, frame.end()), Bytes(64 - c.written, kGuard));
        if (c.black) {
            EXPECT_EQ(Bytes(frame.begin(), frame.begin() + c.written), Bytes(c.written, 0));
        } else {
            EXPECT_EQ(Bytes(frame.begin(), frame.begin() + c.written), Bytes(image.begin(), image.begin() + c.written));
        }
    }
}

TEST(CopyCentredWindow, LayoutsThatDescribeNoFrameWriteNothing)
{
    const Bytes image = NumberedImage(4, 4);
    Bytes frame(64, kGuard);
    for (const FrameLayout& empty : {FrameLayout(), FrameLayout::Rgb24Dib(0, 4), FrameLayout::Rgb24Dib(4, -1),
                                     FrameLayout::Rgb24Dib(40000, 40000)}) {
        EXPECT_EQ(CopyCentredWindow(image.data(), 4, 4, empty, frame.data(), frame.size()), 0u);
    }
    EXPECT_EQ(frame, Bytes(64, kGuard));
}

TEST(Formats, CapacityLimitsTheHeadersFilled)
{
    CCamera camera;
    BITMAPINFOHEADER headers[10];
    const BITMAPINFOHEADER untouched = [] {
        BITMAPINFOHEADER h;
        FillMemory(&h, sizeof(h), 0x5A);
        return h;
    }();

    for (int capacity : {0, -3}) {
        std::fill(std::begin(headers), std::end(headers), untouched);
        int count = capacity;
        EXPECT_EQ(camera.GetFormats(headers, &count), 1);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(std::memcmp(&headers[0], &untouched, sizeof(untouched)), 0);
    }

    std::fill(std::begin(headers), std::end(headers), untouched);
    int count = 3;
    EXPECT_EQ(camera.GetFormats(headers, &count), 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(std::memcmp(&headers[3], &untouched, sizeof(untouched)), 0) << "filled past the capacity";

    std::fill(std::begin(headers), std::end(headers), untouched);
    count = 10;
    EXPECT_EQ(camera.GetFormats(headers, &count), 1);
    ASSERT_EQ(count, 5);
    EXPECT_EQ(std::memcmp(&headers[5], &untouched, sizeof(untouched)), 0);
    for (int i = 0; i < 5; ++i) {
        const BITMAPINFOHEADER& h = headers[i];
        const bool full = i >= 3;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, full ? 3264 : 3032) << i;
        EXPECT_EQ(h.biHeight, full ? 2448 : 2016) << i;
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(h.biSizeImage, full ? 23970816u : 18337536u) << i;
        EXPECT_EQ(h.biXPelsPerMeter, 0);
        EXPECT_EQ(h.biClrUsed, 0u);
        EXPECT_EQ(h.biClrImportant, 0u);
    }
}

// The controller's pure parts: the centred crop from image to frame and the
// list of offered formats.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "camera/Camera.h"

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

TEST(CropCopy, EqualSizesCopyTheWholeImage)
{
    const Bytes image = NumberedImage(5, 3);
    Bytes frame(image.size() + 16, kGuard);
    CCamera::CropCopy(5, 3, 5, 3, image.data(), frame.data());
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + image.size()), image);
    EXPECT_EQ(Bytes(frame.begin() + image.size(), frame.end()), Bytes(16, kGuard));
}

TEST(CropCopy, CutsTheCentredWindowRoundingDown)
{
    // 7 x 6 image, 2 x 3 frame: x0 = 5 >> 1 = 2, y0 = 3 >> 1 = 1.
    const Bytes image = NumberedImage(7, 6);
    Bytes frame(2 * 3 * 3 + 16, kGuard);
    CCamera::CropCopy(7, 6, 2, 3, image.data(), frame.data());
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 2; ++x) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(frame[(y * 2 + x) * 3 + c], image[((y + 1) * 7 + (x + 2)) * 3 + c])
                    << "frame pixel " << x << "," << y << " channel " << c;
            }
        }
    }
    EXPECT_EQ(Bytes(frame.begin() + 18, frame.end()), Bytes(16, kGuard)) << "wrote past the frame";
}

TEST(CropCopy, FrameLargerThanTheImageCopiesNothing)
{
    const Bytes image = NumberedImage(4, 4);
    for (const auto& size : {std::make_pair(5, 4), std::make_pair(4, 5), std::make_pair(0, 4), std::make_pair(3, -1)}) {
        Bytes frame(100, kGuard);
        CCamera::CropCopy(4, 4, size.first, size.second, image.data(), frame.data());
        EXPECT_EQ(frame, Bytes(100, kGuard)) << size.first << " x " << size.second;
    }
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

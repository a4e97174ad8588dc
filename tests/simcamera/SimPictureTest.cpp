// The picture: its layout in memory, the effect of every setting, the mirrors, monochrome, white balance, marker.
//
// Most tests use a 640 x 480 picture: colour bars in rows 0-179 (80 pixels a bar: white, yellow, cyan, green,
// magenta, red, blue, black), the marker track in rows 180-239, neutral grey in 240-299 and the grey ramp in
// 300-479. The stamp sits in picture row 239, columns 312-327.
#include "tests/simcamera/SimTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

using namespace simtest;

namespace {

int Difference(const Pixel& a, const Pixel& b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// Sample regions, clear of the stamp and the marker.
Pixel WhiteBar(const Frame& f) { return f.Mean(10, 40, 60, 100); }
Pixel RedBar(const Frame& f) { return f.Mean(410, 40, 60, 100); }
Pixel Neutral(const Frame& f) { return f.Mean(100, 250, 440, 40); }
Pixel RampAt(const Frame& f, int x) { return f.Mean(x, 320, 8, 80); }

} // namespace

TEST_F(SimCameraTest, RowsAreStoredBottomUpAtFullSize)
{
    Open(0, 0, 0); // built-in size
    Frame frame = FetchFrame();
    ASSERT_EQ(frame.width, 3264);
    ASSERT_EQ(frame.height, 2448);
    const size_t rowBytes = 3264 * 3;
    // The top of the picture (white bar, then black bar) is the last row in memory; the bottom (the grey ramp from
    // dark to bright) is the first.
    const uint8_t* top = frame.bytes.data() + frame.bytes.size() - rowBytes;
    EXPECT_GT(top[0] + top[1] + top[2], 450);
    EXPECT_EQ(top[rowBytes - 1] + top[rowBytes - 2] + top[rowBytes - 3], 0);
    const uint8_t* bottom = frame.bytes.data();
    EXPECT_LT(bottom[0] + bottom[1] + bottom[2], 60);
    EXPECT_GT(bottom[rowBytes - 1] + bottom[rowBytes - 2] + bottom[rowBytes - 3], 600);
}

TEST_F(SimCameraTest, BinnedResolutionsAreBrighter)
{
    Open(0);
    const Pixel full = Neutral(FetchFrame());
    Open(2);
    const Pixel binned = Neutral(FetchFrame());
    EXPECT_GT(binned.g, full.g + 10);
}

TEST_F(SimCameraTest, EverySettingVisiblyChangesThePicture)
{
    struct Case {
        const char* name;
        std::function<void()> apply;
        std::function<Pixel(const Frame&)> sample;
    };
    const Case cases[] = {
        {"red gain", [] { CameraSetGain(160, 88, 88); }, Neutral},
        {"green gain", [] { CameraSetGain(100, 140, 88); }, Neutral},
        {"blue gain", [] { CameraSetGain(100, 88, 140); }, Neutral},
        {"gamma", [] { CameraSetGamma(150); }, [](const Frame& f) { return RampAt(f, 316); }},
        {"contrast", [] { CameraSetContrast(120); }, [](const Frame& f) { return RampAt(f, 150); }},
        {"saturation", [] { CameraSetSaturation(30); }, RedBar},
        {"colour enhancement", [] { CameraSetColorEnhancement(0); }, RedBar},
        {"monochrome", [] { CameraSetMonochrome(1); }, RedBar},
        {"auto exposure target", [] { CameraSetAeTarget(60); }, Neutral},
        {"manual exposure time",
         [] {
             CameraSetAeState(0);
             CameraSetExposureTimeMS(70);
         },
         Neutral},
        {"manual analog gain",
         [] {
             CameraSetAeState(0);
             CameraSetAnalogGain(20);
         },
         Neutral},
        {"horizontal mirror", [] { CameraSetMirror(kMirrorHorizontal, 1); }, WhiteBar},
        {"vertical mirror", [] { CameraSetMirror(kMirrorVertical, 1); }, WhiteBar},
    };
    for (const Case& c : cases) {
        SimReset();
        Open();
        const Pixel before = c.sample(FetchFrame());
        c.apply();
        const Pixel after = c.sample(FetchFrame());
        EXPECT_GE(Difference(before, after), 12)
            << c.name << ": before " << before.r << "," << before.g << "," << before.b << " after " << after.r
            << "," << after.g << "," << after.b;
    }

    // With auto exposure on, the exposure time and analog gain do not count.
    SimReset();
    Open();
    const Frame automatic = FetchFrame();
    CameraSetExposureTimeMS(200);
    CameraSetAnalogGain(200);
    EXPECT_EQ(Difference(Neutral(automatic), Neutral(FetchFrame())), 0);
}

TEST_F(SimCameraTest, MirrorsFlipThePictureAndTheMarkerWithIt)
{
    Open();
    const Frame plain = FetchFrame();
    CameraSetMirror(kMirrorHorizontal, 1);
    const Frame flipped = FetchFrame();
    for (int y : {20, 200, 260, 310, 410}) {
        for (int x : {0, 1, 100, 319, 320, 500, 639}) {
            const Pixel a = plain.At(x, y), b = flipped.At(kWidth - 1 - x, y);
            ASSERT_EQ(Difference(a, b), 0) << x << "," << y;
        }
    }
    int left, width;
    FindMarker(flipped, kTrackRow, &left, &width);
    EXPECT_EQ(left + width, kWidth) << "frame 0's marker moves to the right edge";

    CameraSetMirror(kMirrorHorizontal, 0);
    CameraSetMirror(kMirrorVertical, 1);
    const Frame upsideDown = FetchFrame();
    for (int y : {0, 20, 200, 260, 310, 410}) {
        for (int x : {0, 100, 500, 639}) {
            const Pixel a = plain.At(x, y), b = upsideDown.At(x, kHeight - 1 - y);
            ASSERT_EQ(Difference(a, b), 0) << x << "," << y;
        }
    }
    FindMarker(upsideDown, kHeight - 1 - kTrackRow, &left, &width);
    EXPECT_EQ(left, 0) << "the marker is in the track, now at the top";
    EXPECT_GT(width, 0);
}

TEST_F(SimCameraTest, MonochromeMakesEveryPixelGrey)
{
    Open();
    EXPECT_FALSE(FetchFrame().Grey(0, 0, kWidth, 239));
    CameraSetMonochrome(1);
    const Frame frame = FetchFrame();
    // Everything but the stamp's row.
    EXPECT_TRUE(frame.Grey(0, 0, kWidth, 239));
    EXPECT_TRUE(frame.Grey(0, 240, kWidth, kHeight - 240));
}

TEST_F(SimCameraTest, AutoWhiteBalanceNeutralisesTheColourCast)
{
    Open();
    const Pixel cast = Neutral(FetchFrame());
    EXPECT_GT(std::abs(cast.g - cast.b), 10) << "the scene has a visible cast at the default gains";

    ASSERT_EQ(CameraSetAWBState(1), 1);
    int red = 0, green = 0, blue = 0;
    CameraGetGain(&red, &green, &blue);
    EXPECT_EQ(green, 88);
    EXPECT_NE(red, 100);
    EXPECT_GE(std::abs(blue - 88), 10);
    const Pixel balanced = Neutral(FetchFrame());
    EXPECT_LE(std::abs(balanced.r - balanced.g), 2);
    EXPECT_LE(std::abs(balanced.b - balanced.g), 2);
}

TEST_F(SimCameraTest, MarkerStepsAlongTheTrackWithEveryFrame)
{
    Open();
    ASSERT_EQ(CameraPlay(), 1);
    int previousLeft = -1;
    uint32_t previousSequence = 0;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(WaitForNextFrame(3000));
        const Frame frame = FetchFrame();
        const uint32_t sequence = frame.Stamp().sequence;
        int left, width;
        FindMarker(frame, kTrackRow, &left, &width);
        ASSERT_GT(width, 0);
        EXPECT_EQ(left, static_cast<int>(sequence % 64) * (kWidth - width) / 63) << "sequence " << sequence;
        if (previousLeft >= 0 && sequence != previousSequence && sequence % 64 != 0) {
            EXPECT_NE(left, previousLeft);
        }
        previousLeft = left;
        previousSequence = sequence;
    }
}

// The marker moves inside every window a frame is taken from: the 3032 x 2016 cut of the full image, the 16:9
// windows (rows 306-2141 of 2448, 162-1853 of 2016) and the 4:3 ones (the whole height).
TEST_F(SimCameraTest, MarkerMovesInsideEveryFrameWindow)
{
    const struct {
        int resolution, top, bottom; // the tightest window's rows
    } sizes[] = {{0, 306, 2141}, {1, 162, 1853}};
    for (const auto& size : sizes) {
        SimReset();
        Open(size.resolution, 0, 0);
        const Frame frame = FetchFrame();
        int first = -1, last = -1;
        for (int y = 0; y < frame.height * 5 / 8; ++y) { // above the ramp, whose bright end may be white
            int left, width;
            FindMarker(frame, y, &left, &width);
            if (width >= frame.width / 20) {
                first = first < 0 ? y : first;
                last = y;
            }
        }
        EXPECT_GE(first, size.top) << "resolution " << size.resolution;
        EXPECT_LE(last, size.bottom) << "resolution " << size.resolution;
        EXPECT_LT(last, frame.height / 2) << "the stamp's row stays clear";
    }
}

TEST_F(SimCameraTest, HeldMarkerLeavesFramesEqualButForTheStamp)
{
    Open();
    SimHoldMarker(1);
    ASSERT_EQ(CameraPlay(), 1);
    ASSERT_TRUE(WaitForNextFrame(3000));
    Frame first = FetchFrame();
    ASSERT_TRUE(WaitForNextFrame(3000));
    Frame second = FetchFrame();
    ASSERT_NE(first.Stamp().sequence, second.Stamp().sequence);
    const size_t stamp = SimStampOffset(kWidth, kHeight);
    std::fill_n(first.bytes.begin() + static_cast<ptrdiff_t>(stamp), sizeof(SimStamp), 0);
    std::fill_n(second.bytes.begin() + static_cast<ptrdiff_t>(stamp), sizeof(SimStamp), 0);
    EXPECT_TRUE(first.bytes == second.bytes);

    SimHoldMarker(0);
    ASSERT_TRUE(WaitForNextFrame(3000));
    Frame moving = FetchFrame();
    std::fill_n(moving.bytes.begin() + static_cast<ptrdiff_t>(stamp), sizeof(SimStamp), 0);
    EXPECT_FALSE(moving.bytes == first.bytes) << "the marker moves again";
}

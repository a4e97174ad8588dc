// The simulated camera's tests' fixture (power-on state around every test), fetched frames with pixel access in
// picture coordinates, and small helpers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <stdint.h>

#include <vector>

#include "camera/CameraSdk.h"
#include "simcamera/SimControl.h"
#include "tests/support/SimCameraFixture.h"

namespace simtest {

// The picture size most tests open the camera at.
constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Pixel {
    int b, g, r;
};

// One fetched image (B, G, R, rows bottom-up).
struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;

    // Pixel at column x of picture row y (row 0 is the top of the picture).
    Pixel At(int x, int y) const;
    Pixel Mean(int x, int y, int w, int h) const;
    SimStamp Stamp() const;
    // True when every pixel of the rectangle has R = G = B.
    bool Grey(int x, int y, int w, int h) const;
};

// The middle row of the marker track.
constexpr int kTrackRow = 210;

// Leftmost column (-1: none) and width of the white marker in a picture row of the marker track (kTrackRow, or its
// mirror).
void FindMarker(const Frame& frame, int row, int* left, int* width);

// Fetches the newest image at the camera's current size.
Frame FetchFrame();

// Waits up to timeoutMs for a frame produced after this call.
bool WaitForNextFrame(DWORD timeoutMs);

LONGLONG QpcNow();
double QpcToMs(LONGLONG ticks);

// Every test starts and ends with the camera at its power-on state.
class SimCameraTest : public testenv::SimCameraFixture {
protected:
    // CameraInit without windows, at a small size unless told otherwise.
    void Open(int resolution = 0, int width = kWidth, int height = kHeight)
    {
        SimSetImageSize(width, height);
        ASSERT_EQ(CameraInit(nullptr, resolution, nullptr, nullptr), 1);
    }
};

} // namespace simtest

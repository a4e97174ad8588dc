// Shared pieces of the simulated camera's tests: a fixture that returns the
// camera to its power-on state around every test, fetched frames with pixel
// access in picture coordinates, and small helpers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "camera/CameraSdk.h"
#include "simcamera/SimControl.h"

namespace simtest {

struct Pixel {
    int b, g, r;
};

// One fetched image (B, G, R, rows bottom-up).
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;

    // Pixel at column x of picture row y (row 0 is the top of the picture).
    Pixel At(int x, int y) const;
    // Mean of a rectangle in picture coordinates.
    Pixel Mean(int x, int y, int w, int h) const;
    SimStamp Stamp() const;
    // True when every pixel of the rectangle has R = G = B.
    bool Grey(int x, int y, int w, int h) const;
};

// Fetches the newest image at the camera's current size.
Frame FetchFrame();

// The journal as text.
std::string Journal();

SimCounters Counters();

LONGLONG QpcNow();
double QpcToMs(LONGLONG ticks);

// Polls condition every 5 ms until it holds (true) or timeoutMs pass (false).
template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        Sleep(5);
    }
}

// Every test starts and ends with the camera at its power-on state.
class SimCameraTest : public testing::Test {
protected:
    void SetUp() override { SimReset(); }
    void TearDown() override { SimReset(); }

    // CameraInit without windows, at a small size unless told otherwise.
    void Open(int resolution = 0, int width = 640, int height = 480)
    {
        SimSetImageSize(width, height);
        ASSERT_EQ(CameraInit(nullptr, resolution, nullptr, nullptr), 1);
    }
};

} // namespace simtest

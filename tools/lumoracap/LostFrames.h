// Why frames of a capture were lost, in words a user can act on: the disk
// that could not keep up, with what it took, what the format needs and what
// would fit; or, when the disk kept up, the camera's or the filter's path.
//
// The disk could not keep up when frames reached lumoracap and found the
// write queue full (unwritten), or when the rate it took while writing was
// below the rate the format needs (it would have fallen behind had the
// camera delivered every frame). The rate is measured over the time spent in
// writes, not over the capture: a camera that delivers fewer frames leaves
// the disk idle, which says nothing of its speed.
#pragma once

#include <string>
#include <vector>

#include "camera/PixelFormat.h"

// A frame size and pixel format a device's pin lists, with the rates it
// offers at it.
struct ListedFormat {
    long width = 0;
    long height = 0;
    double minFramesPerSecond = 0;
    double maxFramesPerSecond = 0;
    PixelFormat format = PixelFormat::Rgb24;
};

struct CaptureFigures {
    long dropped = 0;          // lost before they reached lumoracap (the camera's or the filter's path)
    long unwritten = 0;        // reached lumoracap and found the write queue full
    long width = 0;            // the format captured
    long height = 0;
    PixelFormat format = PixelFormat::Rgb24;
    double framesPerSecond = 0;
    double diskBytesPerSecond = 0;  // taken while writing; 0 when nothing was written
    std::vector<ListedFormat> listed; // what the pin offers, for what would fit
};

// The bytes of one frame (RGB24: DIB rows, 4-byte aligned).
double FrameBytes(long width, long height, PixelFormat format = PixelFormat::Rgb24);

// One line saying why frames were lost, or nothing when none were.
std::string ExplainLostFrames(const CaptureFigures& figures);

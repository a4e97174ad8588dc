// The planes of a frame in picture order: for each plane, where the top row
// of the picture starts and how far apart its rows are (negative for the
// bottom-up RGB formats, whose top row is the last in memory). The form the
// conversion library takes, and what a test reads a frame back with.
#pragma once

#include <stddef.h>

#include "camera/FrameWindow.h"

struct FramePlane {
    unsigned char* top = nullptr; // first byte of the picture's top row
    int step = 0;                 // bytes from one picture row to the next
    int rowBytes = 0;             // bytes of pixels in a row (the rest of the stride is padding)
    int rows = 0;
};

struct FramePlanes {
    int count = 0;
    FramePlane plane[3]; // RGB and YUY2 and Y800: one; NV12: Y, UV; I420: Y, U, V
};

// The planes of a frame of a non-empty layout starting at frame.
inline FramePlanes PlanesOf(const FrameLayout& layout, unsigned char* frame)
{
    FramePlanes planes;
    if (layout.IsEmpty() || !frame) {
        return planes;
    }
    const int stride = static_cast<int>(layout.stride);
    const int rowBytes = layout.width * FirstPlaneBytesPerPixel(layout.format);
    if (IsBottomUp(layout.format)) {
        planes.count = 1;
        planes.plane[0] = {frame + static_cast<size_t>(layout.height - 1) * layout.stride, -stride, rowBytes,
                           layout.height};
        return planes;
    }
    planes.plane[0] = {frame, stride, rowBytes, layout.height};
    unsigned char* const chroma = frame + static_cast<size_t>(layout.height) * layout.stride;
    switch (layout.format) {
    case PixelFormat::Nv12:
        planes.count = 2;
        planes.plane[1] = {chroma, stride, layout.width, layout.height / 2};
        break;
    case PixelFormat::I420: {
        planes.count = 3;
        const int half = stride / 2;
        planes.plane[1] = {chroma, half, layout.width / 2, layout.height / 2};
        planes.plane[2] = {chroma + static_cast<size_t>(half) * (layout.height / 2), half, layout.width / 2,
                           layout.height / 2};
        break;
    }
    default:
        planes.count = 1;
        break;
    }
    return planes;
}

#include "tests/simcamera/SimTestSupport.h"

#include "tests/support/SimCameraProbe.h"
#include "tests/support/WaitFor.h"

namespace simtest {

Pixel Frame::At(int x, int y) const
{
    const size_t offset = (static_cast<size_t>(height - 1 - y) * width + x) * 3;
    return {bytes[offset], bytes[offset + 1], bytes[offset + 2]};
}

Pixel Frame::Mean(int x, int y, int w, int h) const
{
    long long b = 0, g = 0, r = 0;
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) {
            const Pixel p = At(column, row);
            b += p.b;
            g += p.g;
            r += p.r;
        }
    }
    const long long n = static_cast<long long>(w) * h;
    return {static_cast<int>(b / n), static_cast<int>(g / n), static_cast<int>(r / n)};
}

SimStamp Frame::Stamp() const
{
    return testenv::StampOf(bytes, width, height);
}

bool Frame::Grey(int x, int y, int w, int h) const
{
    for (int row = y; row < y + h; ++row) {
        for (int column = x; column < x + w; ++column) {
            const Pixel p = At(column, row);
            if (p.r != p.g || p.g != p.b) {
                return false;
            }
        }
    }
    return true;
}

void FindMarker(const Frame& frame, int row, int* left, int* width)
{
    *left = -1;
    *width = 0;
    for (int x = 0; x < frame.width; ++x) {
        const Pixel p = frame.At(x, row);
        if (p.r == 255 && p.g == 255 && p.b == 255) {
            *left = *left < 0 ? x : *left;
            ++*width;
        }
    }
}

Frame FetchFrame()
{
    Frame frame;
    if (CameraGetImageSize(&frame.width, &frame.height) != 1) {
        ADD_FAILURE() << "CameraGetImageSize failed";
        return frame;
    }
    frame.bytes.resize(static_cast<size_t>(frame.width) * frame.height * 3);
    EXPECT_EQ(CameraGetImageDataRGB24(frame.bytes.data()), 1);
    return frame;
}

bool WaitForNextFrame(DWORD timeoutMs)
{
    const LONG produced = testenv::FrameCounters().produced;
    return testenv::WaitFor([produced] { return testenv::FrameCounters().produced > produced; }, timeoutMs);
}

LONGLONG QpcNow()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double QpcToMs(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

} // namespace simtest

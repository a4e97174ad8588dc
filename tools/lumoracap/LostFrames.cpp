#include "tools/lumoracap/LostFrames.h"

#include <cstdio>

namespace {

const double kMegabyte = 1e6; // rates in MB/s as disks are rated

std::string Rate(double bytesPerSecond)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.0f MB/s", bytesPerSecond / kMegabyte);
    return text;
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

// What the device lists that the disk takes: the largest smaller size at
// the captured rate, else this size at the device's lowest rate, else none.
std::string WhatWouldFit(const CaptureFigures& f)
{
    const double frameBytes = FrameBytes(f.width, f.height);
    const ListedFormat* smaller = nullptr;
    const ListedFormat* same = nullptr;
    for (const ListedFormat& format : f.listed) {
        const double bytes = FrameBytes(format.width, format.height);
        if (format.width == f.width && format.height == f.height) {
            same = &format;
        } else if (bytes < frameBytes && bytes * f.framesPerSecond <= f.diskBytesPerSecond &&
                   (!smaller || bytes > FrameBytes(smaller->width, smaller->height))) {
            smaller = &format;
        }
    }
    if (smaller) {
        return "a smaller size would fit: --size " + std::to_string(smaller->width) + "x" +
               std::to_string(smaller->height) + " (" +
               Rate(FrameBytes(smaller->width, smaller->height) * f.framesPerSecond) + ")";
    }
    if (same && same->minFramesPerSecond > 0 && same->minFramesPerSecond < f.framesPerSecond &&
        frameBytes * same->minFramesPerSecond <= f.diskBytesPerSecond) {
        return "a lower rate would fit: --fps " + Number(same->minFramesPerSecond) + " (" +
               Rate(frameBytes * same->minFramesPerSecond) + ")";
    }
    return "no size or rate the device lists would fit; capture to a faster disk";
}

} // namespace

double FrameBytes(long width, long height)
{
    const double stride = static_cast<double>((width * 3 + 3) & ~3L);
    return stride * static_cast<double>(height);
}

std::string ExplainLostFrames(const CaptureFigures& f)
{
    const long lost = f.dropped + f.unwritten;
    if (lost <= 0) {
        return "";
    }
    const double needed = FrameBytes(f.width, f.height) * f.framesPerSecond;
    const bool measured = f.diskBytesPerSecond > 0;
    const bool diskBehind = f.unwritten > 0 || (measured && needed > 0 && f.diskBytesPerSecond < needed);
    const std::string frames = std::to_string(lost) + (lost == 1 ? " frame" : " frames");
    if (diskBehind) {
        std::string text = frames + " dropped: the disk ";
        text += measured ? "took " + Rate(f.diskBytesPerSecond) : std::string("did not keep up");
        if (needed > 0) {
            text += ", this format needs " + Rate(needed);
            if (measured) {
                text += "; " + WhatWouldFit(f);
            }
        }
        return text;
    }
    std::string text = std::to_string(f.dropped) + (f.dropped == 1 ? " frame" : " frames") +
                       " dropped before reaching lumoracap, by the camera or the filter";
    if (measured && needed > 0) {
        text += "; the disk kept up (it took " + Rate(f.diskBytesPerSecond) + ", this format needs " + Rate(needed) +
                ")";
    }
    return text;
}

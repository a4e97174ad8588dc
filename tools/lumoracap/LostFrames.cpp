#include "tools/lumoracap/LostFrames.h"

#include <cctype>
#include <cstdio>

#include "camera/FrameWindow.h"
#include "tools/lumoracap/PixelFormatNames.h"

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

// What the device lists that the disk takes: the largest smaller size of the
// captured format at the captured rate, and the heaviest lighter format at
// the captured size; else this size and format at the device's lowest rate;
// else none.
std::string WhatWouldFit(const CaptureFigures& f)
{
    const double frameBytes = FrameBytes(f.width, f.height, f.format);
    const auto fits = [&](double bytes) { return bytes < frameBytes && bytes * f.framesPerSecond <= f.diskBytesPerSecond; };
    const ListedFormat* smaller = nullptr;
    const ListedFormat* lighter = nullptr;
    const ListedFormat* same = nullptr;
    for (const ListedFormat& format : f.listed) {
        const double bytes = FrameBytes(format.width, format.height, format.format);
        const bool sameSize = format.width == f.width && format.height == f.height;
        if (sameSize && format.format == f.format) {
            same = &format;
        } else if (format.format == f.format && fits(bytes) &&
                   (!smaller || bytes > FrameBytes(smaller->width, smaller->height, smaller->format))) {
            smaller = &format;
        } else if (sameSize && fits(bytes) &&
                   (!lighter || bytes > FrameBytes(lighter->width, lighter->height, lighter->format))) {
            lighter = &format;
        }
    }
    std::string text;
    if (smaller) {
        text = "a smaller size would fit: --size " + std::to_string(smaller->width) + "x" +
               std::to_string(smaller->height) + " (" +
               Rate(FrameBytes(smaller->width, smaller->height, f.format) * f.framesPerSecond) + ")";
    }
    if (lighter) {
        std::string name = PixelFormatName(lighter->format);
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        text += (text.empty() ? "a lighter format would fit: --format " : ", or a lighter format: --format ") + name +
                " (" + Rate(FrameBytes(f.width, f.height, lighter->format) * f.framesPerSecond) + ")";
    }
    if (!text.empty()) {
        return text;
    }
    if (same && same->minFramesPerSecond > 0 && same->minFramesPerSecond < f.framesPerSecond &&
        frameBytes * same->minFramesPerSecond <= f.diskBytesPerSecond) {
        return "a lower rate would fit: --fps " + Number(same->minFramesPerSecond) + " (" +
               Rate(frameBytes * same->minFramesPerSecond) + ")";
    }
    return "no size or rate the device lists would fit; capture to a faster disk";
}

} // namespace

double FrameBytes(long width, long height, PixelFormat format)
{
    return static_cast<double>(FrameLayout::Natural(format, static_cast<int>(width), static_cast<int>(height)).Bytes());
}

std::string ExplainLostFrames(const CaptureFigures& f)
{
    const long lost = f.dropped + f.unwritten;
    if (lost <= 0) {
        return "";
    }
    const double needed = FrameBytes(f.width, f.height, f.format) * f.framesPerSecond;
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

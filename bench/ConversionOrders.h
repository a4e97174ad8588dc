// Other orders of libyuv calls for the same NV12 frame the converter makes,
// measured against it by the conversion benchmark (ConversionBench.h): the
// evidence for the order FrameConverter.cpp chose.
//
// Each order owns its scratch memory, allocated before timing; Run converts
// the window of a bottom-up BGR image into a natural NV12 frame. Not
// thread-safe.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

// The source window: picture-order rows (top row, step between rows).
struct BgrWindow {
    const uint8_t* top;
    int step;
    int width;
    int height;
};

class ConversionOrder {
public:
    virtual ~ConversionOrder() = default;
    virtual const char* Name() const = 0;
    // Converts window into frame (the order's format at width x height, its
    // natural stride: NV12 unless said otherwise).
    virtual void Run(const BgrWindow& window, uint8_t* frame, int width, int height) = 0;
};

// The orders for a scaled NV12 frame of width x height from a window of
// windowWidth x windowHeight, each with its scratch allocated:
//   whole I420      RGB24ToI420 of the whole window, I420Scale (box), I420ToNV12
//   whole ARGB      RGB24ToARGB of the whole window, ARGBScale (box), ARGBToNV12
//   strips ARGB     the same in strips of whole ratio units
//   strips scale-first  the BGR planes apart, each scaled (box), merged into
//                   ARGB, ARGBToNV12: scaled before converting
//   strips I420 bilinear  the converter's order with libyuv's own filter
//                   (bilinear above half size) instead of its area averaging
std::vector<std::unique_ptr<ConversionOrder>> ScaledNv12Orders(int windowWidth, int windowHeight, int width,
                                                              int height);

// The converter's former order for a YUY2 frame scaled from a window at
// least twice its size: every source row converted to ARGB, then a 2 x 2 box
// (the converter now averages row pairs in BGR first and converts half the
// rows), bilinear to the frame, ARGBToYUY2.
std::unique_ptr<ConversionOrder> ScaledYuy2EveryRowToArgb(int windowWidth, int windowHeight, int width, int height);

// The other order for an NV12 cut: RGB24ToARGB then ARGBToNV12 in strips
// (the converter: RGB24ToI420 in strips, the chroma interleaved).
std::unique_ptr<ConversionOrder> CutNv12ThroughArgb(int width);

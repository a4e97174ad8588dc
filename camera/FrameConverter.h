// Fills a frame of any layout (format, size, stride, fit) from the camera's
// image, the cheapest sound way: a cut copied as it is for RGB24, converted
// for the other formats, or the image's largest centred window at the
// frame's aspect ratio scaled down by area averaging and converted (libyuv).
//
// One converter per consumer: it keeps the scratch rows its conversions pass
// through (a few dozen rows, so that they stay in the cache), allocated when
// the image size or the layout changes, never per frame. Not thread-safe:
// one thread (the consumer's) calls Write at a time. Holds no lock and no
// handle; destroyed on any thread.
#pragma once

#include <stddef.h>

#include <memory>

#include "camera/FrameWindow.h"

// What a converter worked out for one image size and layout (FrameConverter.cpp).
struct ConversionPlan;

class FrameConverter {
public:
    FrameConverter();
    ~FrameConverter();
    FrameConverter(const FrameConverter&) = delete;
    FrameConverter& operator=(const FrameConverter&) = delete;

    // Fills frame with the frame of layout taken from an imageWidth x
    // imageHeight image (24-bit, bytes B, G, R, rows bottom-up, unpadded):
    //   - RGB24, CentredCut: CopyCentredWindow, exactly as before (whole rows
    //     up to capacity when the frame does not fit).
    //   - another format, CentredCut: the same window converted; an image
    //     smaller than the frame centred on black (offsets even where the
    //     format shares chroma between pixels).
    //   - ScaledWindow: LargestWindowWithAspect of the image scaled to the
    //     frame by area averaging (a bilinear scale of at most 1.5 : 1 to a
    //     power of two times the frame's size, then 2 x 2 boxes down to it),
    //     converted. The centred cut where that window is not larger than
    //     the frame.
    // Colour: YUY2, NV12 and I420 BT.601 with range 16-235; Y800 full-range
    // luma. A null or empty image gives a black frame (YUV Y 16, U and V 128;
    // Y800 0; RGB32 0, 0, 0, 0xFF). Row padding of a wider stride is written 0.
    //
    // Every byte of layout.Bytes() is written, nothing beyond; when capacity
    // is below layout.Bytes() (other than for the RGB24 cut) or the layout
    // is empty, nothing is written. Returns the bytes written; 0 also when
    // scratch memory could not be had.
    size_t Write(const unsigned char* image, int imageWidth, int imageHeight, const FrameLayout& layout,
                 unsigned char* frame, size_t capacity);

    // Bytes of scratch memory held now.
    size_t ScratchBytes() const;

private:
    std::unique_ptr<ConversionPlan> m_plan;
};

// The frame a consumer asks for, and how it is taken from the camera's image.
//
// The camera's image is 24-bit RGB (bytes B, G, R), rows bottom-up, the
// layout of a positive-height 24-bit DIB, with rows of width x 3 bytes. A
// frame has the rows of the format it is delivered in (PixelFormat.h).
#pragma once

#include <stddef.h>

#include "camera/PixelFormat.h"

// How a frame is taken from an image of another size.
enum class FrameFit {
    // The frame-sized window at the image's centre; where the image is
    // smaller, the whole image centred on black. One image pixel per frame
    // pixel.
    CentredCut,
    // The largest centred window of the image with the frame's aspect ratio,
    // scaled down to the frame by area averaging. Where that window would be
    // smaller than the frame, the centred cut instead (never scaled up).
    ScaledWindow,
};

// How a frame of a size the camera's consumers offer is taken from its
// image: the camera's own sizes (3032 x 2016, and the whole 3264 x 2448) are
// cut from it; a smaller size is the image's largest centred window with the
// size's aspect ratio, scaled down by area averaging. The filter's format
// ladder and the Media Foundation source take every fit from here.
FrameFit FitForOfferedSize(int width, int height);

// A frame of width x height pixels in a pixel format, whose rows start stride
// bytes apart (the bytes after a row's pixels are padding). Planar formats
// keep their planes one after the other: NV12 the Y plane, then the UV plane
// of height / 2 rows at stride; I420 the Y plane, then U, then V, each of
// height / 2 rows at stride / 2.
struct FrameLayout {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    PixelFormat format = PixelFormat::Rgb24;
    FrameFit fit = FrameFit::CentredCut;

    // The layout of a 24-bit DIB: rows padded to a multiple of 4 bytes. An
    // empty layout (no bytes) when either side is not positive or the frame
    // would be larger than a 32-bit byte count.
    static FrameLayout Rgb24Dib(int width, int height);

    // The format's own layout at width x height: RGB24 rows padded to 4
    // bytes, RGB32 width x 4, YUY2 width x 2, NV12, I420 and Y800 width.
    static FrameLayout Natural(PixelFormat format, int width, int height, FrameFit fit = FrameFit::CentredCut);

    // The same with rows stride bytes apart, as a renderer may ask for. An
    // empty layout when the stride is below the format's own row (width x
    // bytes per pixel of the first plane).
    //
    // Both are empty when a side is not positive, when the format needs an
    // even width (YUY2, NV12, I420) or height (NV12, I420) and it is odd, or
    // when the frame would be larger than a 32-bit byte count.
    static FrameLayout WithStride(PixelFormat format, int width, int height, size_t stride,
                                  FrameFit fit = FrameFit::CentredCut);

    // Whether the layout describes no frame.
    bool IsEmpty() const { return width <= 0 || height <= 0 || stride == 0; }

    // Whether other describes the same frame, byte for byte.
    bool SameAs(const FrameLayout& other) const
    {
        return width == other.width && height == other.height && stride == other.stride && format == other.format &&
               fit == other.fit;
    }

    // Bytes of a whole frame: NV12 stride x height x 3 / 2, I420 stride x
    // height + 2 x (stride / 2) x (height / 2), the others stride x height.
    size_t Bytes() const;

    // Whether an imageWidth x imageHeight RGB24 image is exactly a frame of
    // this layout, byte for byte: an RGB24 frame of the same size, and rows
    // without padding.
    bool HoldsImageUncut(int imageWidth, int imageHeight) const
    {
        return format == PixelFormat::Rgb24 && imageWidth > 0 && imageHeight > 0 && imageWidth == width &&
               imageHeight == height && stride == static_cast<size_t>(imageWidth) * 3;
    }
};

// Fills frame with the centred window of an imageWidth x imageHeight image:
// in each dimension a crop when the image is larger than the frame, the whole
// image centred on black when it is smaller (offsets rounded down, so the
// image's centre pixel lands on the frame's). Every frame byte no image pixel
// covers, row padding included, is written black. A null or empty image gives
// a black frame.
//
// Writes whole rows only and never more than capacity bytes; returns the
// bytes written: layout.Bytes() when the frame fits, less when it does not.
// RGB24 layouts only (any other format writes nothing); FrameConverter
// (FrameConverter.h) takes every format.
size_t CopyCentredWindow(const unsigned char* image, int imageWidth, int imageHeight, const FrameLayout& layout,
                         unsigned char* frame, size_t capacity);

// The frame a consumer asks for, and how it is cut from the camera's image.
//
// Images and frames are 24-bit RGB (bytes B, G, R), rows bottom-up, the
// layout of a positive-height 24-bit DIB. The camera's image has rows of
// width x 3 bytes; a frame has the rows of the format it is delivered in.
#pragma once

#include <stddef.h>

// A frame of width x height pixels whose rows start stride bytes apart
// (stride is at least width x 3; the bytes after a row's pixels are padding).
struct FrameLayout {
    int width = 0;
    int height = 0;
    size_t stride = 0;

    // The layout of a 24-bit DIB: rows padded to a multiple of 4 bytes. An
    // empty layout (no bytes) when either side is not positive or the frame
    // would be larger than a 32-bit byte count.
    static FrameLayout Rgb24Dib(int width, int height);

    // Bytes of a whole frame.
    size_t Bytes() const { return stride * static_cast<size_t>(height); }

    // Whether an imageWidth x imageHeight RGB24 image is exactly a frame of
    // this layout, byte for byte: the same size, and rows without padding.
    bool HoldsImageUncut(int imageWidth, int imageHeight) const
    {
        return imageWidth > 0 && imageHeight > 0 && imageWidth == width && imageHeight == height &&
               stride == static_cast<size_t>(imageWidth) * 3;
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
size_t CopyCentredWindow(const unsigned char* image, int imageWidth, int imageHeight, const FrameLayout& layout,
                         unsigned char* frame, size_t capacity);

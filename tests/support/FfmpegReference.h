// FFmpeg's own conversion of a camera image, the independent reference the
// converter's frames are checked against, and the comparison (PSNR).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "camera/FrameWindow.h"

namespace convtest {

using Bytes = std::vector<uint8_t>;

// The rectangle of the picture (row 0 at the top) a frame is made of.
struct Crop {
    int left, top, width, height;
};

// The part of an imageWidth x imageHeight camera image a frame of layout is
// made of, as the converter takes it: for a scaled window the largest centred
// window with the frame's aspect ratio; for a cut the frame-sized centred
// window, offsets rounded down from the image's first row in memory (the
// bottom of the picture).
Crop CropFor(int imageWidth, int imageHeight, const FrameLayout& layout);

// Runs ffmpeg on an imageWidth x imageHeight bottom-up BGR image: turned
// upright, cut to crop, scaled to the layout's size by area averaging, and
// converted to the layout's format (YUV: BT.601, range 16-235; grey: full
// range), packed without padding in picture order (rows top-down; planes one
// after the other). fullRangeYuv asks for range 0-255 instead (a wrong
// reference, to show the comparison tells them apart). Empty on failure, with
// the reason in error.
Bytes FfmpegFrame(const Bytes& image, int imageWidth, int imageHeight, const Crop& crop, const FrameLayout& layout,
                  std::string* error, bool fullRangeYuv = false);

// A frame's pixels in the same packed picture order: padding dropped, RGB
// rows turned top-down.
Bytes PicturePixels(const FrameLayout& layout, const uint8_t* frame);

// Peak signal-to-noise ratio of b against a (same size) in dB; 99 when equal.
double Psnr(const Bytes& a, const Bytes& b);

} // namespace convtest

// The formats the camera pins offer beyond the camera's own five: a ladder of
// pixel formats and sizes applications ask for, each converted and scaled
// from the camera's image in the pin's one copy (FrameReader).
//
// The pin's list: positions 0 to kCameraFormatCount - 1 are the camera's own
// entries (CCamera::GetFormats: 24-bit RGB at 3032 x 2016, three times, and
// at 3264 x 2448, twice), then the ladder, size by size (the camera's sizes
// first), each size in every format. Every entry runs at the camera's two
// rates.
//
// Pure tables and arithmetic: no state, any thread.
#pragma once

#include <windows.h>

#include <strmif.h>
#include <amvideo.h>

#include "camera/FrameWindow.h"
#include "camera/PixelFormat.h"

// The camera's own entries, first in the pin's list, where they always were.
constexpr int kCameraFormatCount = 5;

// The ladder's pixel formats and sizes.
constexpr int kLadderFormatCount = 6;
constexpr int kLadderSizeCount = 5;
constexpr int kLadderEntryCount = kLadderFormatCount * kLadderSizeCount;
// Every entry of the pin's list.
constexpr int kPinFormatCount = kCameraFormatCount + kLadderEntryCount;

struct LadderEntry {
    PixelFormat format = PixelFormat::Rgb24;
    int width = 0;
    int height = 0;
    // The camera's whole 3264 x 2448 image: delivered only while the camera
    // reads out its whole sensor (stored resolution index 0).
    bool wholeImage = false;
};

// Ladder entry index (0 to kLadderEntryCount - 1): sizes 3032 x 2016,
// 3264 x 2448 (the whole image), 1920 x 1080, 1280 x 720 and 640 x 480, each
// in RGB24, RGB32, YUY2, NV12, I420 and Y800. An empty entry outside.
LadderEntry LadderEntryAt(int index);

// The bitmap header of a frame of format at width x height: RGB24 and RGB32
// BI_RGB with a positive height (rows bottom-up); YUY2, NV12, I420 and Y800
// their FOURCC with a positive height too (these formats are top-down
// whatever the sign, as the platform defines them); biSizeImage the frame's
// exact bytes (FrameLayout::Natural).
BITMAPINFOHEADER HeaderOf(PixelFormat format, int width, int height);

// The media subtype of a format (MEDIASUBTYPE_RGB24, _RGB32, _YUY2, _NV12,
// and the FOURCC subtypes I420 and Y800).
GUID SubtypeOf(PixelFormat format);
// The format of a subtype; IYUV is I420's layout under another name. False
// for any other subtype.
bool FormatOfSubtype(const GUID& subtype, PixelFormat* format);
// The format a bitmap header describes: BI_RGB at 24 or 32 bits, or one of
// the FOURCCs (IYUV as I420) at its bit count. False for anything else.
bool FormatOfHeader(const BITMAPINFOHEADER& header, PixelFormat* format);

// How a frame of width x height is taken from the camera's image: the camera's
// own sizes are cut from it (as they always were); the smaller sizes are its
// largest centred window with their aspect ratio, scaled down by area
// averaging.
FrameFit FitForSize(int width, int height);

// The frame a FORMAT_VideoInfo type of one of the formats carries, with its
// rows where the type puts them: a type whose rcTarget starts at 0, 0, spans
// the whole height and is narrower than biWidth (a renderer's wider stride)
// has frames of the rectangle's width whose rows start biWidth pixels apart
// (RGB24 rounded up to 4 bytes); any other rectangle is ignored, as always,
// and the frame is biWidth wide. An empty layout (the pin refuses the type)
// for another format, a subtype and header that disagree, a bottom-up-only
// format with a negative height, a stride the format cannot have (I420's
// chroma rows take half of it: an odd one), or a biSizeImage that is not 0
// and below the frame's bytes.
FrameLayout FrameLayoutOfType(const AM_MEDIA_TYPE& type);

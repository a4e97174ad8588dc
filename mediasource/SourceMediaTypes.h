// The media types the source's one stream offers, as one table: NV12, YUY2
// and RGB32, each at 1920 x 1080, 1280 x 720, 640 x 480 and the camera's own
// 3032 x 2016, each at the camera's two rates (30 and 15 frames per second).
// NV12 first and 1920 x 1080 first among the sizes, so a client that takes
// the first type gets NV12 at 1920 x 1080, 30 per second.
//
// Every type states its frame size and rate, a positive default stride (all
// three are top-down: RGB32 the way Media Foundation's camera sources deliver
// it), progressive frames, square pixels, fixed-size independent samples and
// the sample size. The YUV types state BT.601 and range 16-235, which is what
// the frame conversion writes; RGB32 states the full range 0-255 it has.
//
// Pure tables: no state, any thread.
#pragma once

#include <windows.h>

#include "mediasource/MediaFoundationExtras.h"


#include "camera/FrameWindow.h"
#include "camera/PixelFormat.h"

namespace mediasource {

struct SourceType {
    PixelFormat format = PixelFormat::Nv12; // Nv12, Yuy2 or Rgb32TopDown
    int width = 0;
    int height = 0;
    UINT32 framesPerSecond = 0;            // 30 or 15
    LONGLONG frameInterval = 0;            // the camera's interval, 100-ns units
};

constexpr int kSourceTypeCount = 24;

// The table's entry at index (0 to kSourceTypeCount - 1); an empty entry
// (width 0) outside.
SourceType SourceTypeAt(int index);

// The Media Foundation subtype of a format of the table (MFVideoFormat_NV12,
// _YUY2, _RGB32); GUID_NULL for another.
GUID MediaSubtypeOf(PixelFormat format);

// A new media type describing entry.
HRESULT CreateMediaTypeOf(const SourceType& entry, IMFMediaType** type);

// The table's index of the entry a type names by subtype, frame size and
// frame rate; -1 when none does (or type is null).
int FindSourceType(IMFMediaType* type);

// The frame of entry written at stride bytes per row (a buffer's own pitch):
// the layout the frame reader fills, with the fit the filter's formats of
// that size use. Empty when the stride is too small for the format.
FrameLayout LayoutOf(const SourceType& entry, size_t stride);

} // namespace mediasource

// The video formats the camera pins offer: RGB24 media types built from the
// controller's bitmap headers, the capability record that describes one of
// them, and which entry a stored resolution index selects.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <strmif.h>
#include <amvideo.h>

#include "framework/MediaTypeRecord.h"

// Builds the uncompressed RGB24 media type around one header: a
// VIDEOINFOHEADER whose rectangles and bit rates are 0 and whose
// AvgTimePerFrame is the camera's frame interval at high frame speed, 333333
// (33.3 ms), fixed-size samples of biSizeImage bytes. E_OUTOFMEMORY when the
// format block cannot be allocated.
HRESULT MakeRgb24VideoType(const BITMAPINFOHEADER& header, MediaTypeRecord* type);

// The VIDEOINFOHEADER of a FORMAT_VideoInfo type, or null when the type has
// another format, no block, or a block shorter than a VIDEOINFOHEADER. Types
// come from peers and applications, so nothing is read past cbFormat.
const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type);
VIDEOINFOHEADER* VideoInfoOf(AM_MEDIA_TYPE& type);

// The format-list position a resolution index selects: 1 and 2 their own
// entries (binned read-outs), every other value entry 0.
int FormatPositionForResolution(uint8_t resolution);

// Describes one entry as a fixed size that cannot be cropped or scaled, at any
// frame interval from 20 ms to 5 s.
void FillVideoStreamCaps(const VIDEOINFOHEADER& format, VIDEO_STREAM_CONFIG_CAPS* caps);

// Validation of video media types that come from callers and peers.
//
// A type handed in through an interface is untrusted: its format block may be
// missing, shorter than the header its format type names, or carry sizes that
// overflow. ValidateVideoType checks the type's fields in an order that reads
// no byte of the block before the block is known to hold it, and hands back
// a view of the checked header, so callers never cast pbFormat themselves.
#pragma once

#include <windows.h>

#include <strmif.h>
#include <amvideo.h>

#include "framework/MediaTypeRecord.h"

// The checked facts of a valid video type. bitmap points into the type's own
// format block and lives as long as that block.
struct VideoTypeView {
    const BITMAPINFOHEADER* bitmap = nullptr;
    REFERENCE_TIME averageTimePerFrame = 0;
    // Bytes of one frame of biBitCount-bit pixels, rows without padding.
    LONGLONG frameBytes = 0;
};

// S_OK when type is a well-formed video type, with view (when given) filled:
// - E_POINTER: no type, or no block behind a non-zero cbFormat;
// - VFW_E_INVALIDMEDIATYPE: a major type other than MEDIATYPE_Video, a null
//   subtype, a format type other than FORMAT_VideoInfo or FORMAT_VideoInfo2,
//   a block shorter than that header, a bitmap header whose biSize is shorter
//   than a BITMAPINFOHEADER or runs past the block, a width not above 0, a
//   height of 0, a frame (width x |height| at 3 bytes, and at biBitCount
//   bits) beyond 2^31 - 1 bytes, or a biSizeImage that is neither 0 nor at
//   least one frame (nor at most 2^31 - 1), or a negative AvgTimePerFrame.
// Nothing past cbFormat is read.
HRESULT ValidateVideoType(const AM_MEDIA_TYPE* type, VideoTypeView* view);

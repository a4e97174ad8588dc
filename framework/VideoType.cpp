#include "framework/VideoType.h"

#include <dshow.h>
#include <dvdmedia.h>
#include <uuids.h>

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// Where the header a format type names keeps its bitmap header and its frame
// interval, and how long it is.
struct HeaderLayout {
    ULONG size;
    size_t bitmapOffset;
    size_t intervalOffset;
};

bool LayoutOf(const GUID& formattype, HeaderLayout* layout)
{
    if (IsEqualGUID(formattype, FORMAT_VideoInfo)) {
        *layout = {sizeof(VIDEOINFOHEADER), offsetof(VIDEOINFOHEADER, bmiHeader),
                   offsetof(VIDEOINFOHEADER, AvgTimePerFrame)};
        return true;
    }
    if (IsEqualGUID(formattype, FORMAT_VideoInfo2)) {
        *layout = {sizeof(VIDEOINFOHEADER2), offsetof(VIDEOINFOHEADER2, bmiHeader),
                   offsetof(VIDEOINFOHEADER2, AvgTimePerFrame)};
        return true;
    }
    return false;
}

// A sample size is a signed 32-bit count of bytes.
const LONGLONG kLargestFrame = LONG_MAX;
const LONGLONG kRgb24BytesPerPixel = 3;

// Bytes of a width x height frame at bitsPerPixel (rows unpadded), or -1 when
// that exceeds kLargestFrame. width and height are positive and below 2^32.
LONGLONG FrameBytes(LONGLONG width, LONGLONG height, LONGLONG bitsPerPixel)
{
    const LONGLONG rowBytes = (width * bitsPerPixel + 7) / 8; // below 2^48
    if (rowBytes != 0 && height > kLargestFrame / rowBytes) {
        return -1;
    }
    return rowBytes * height;
}

} // namespace

HRESULT ValidateVideoType(const AM_MEDIA_TYPE* type, VideoTypeView* view)
{
    const HRESULT block = CheckFormatBlock(type);
    if (FAILED(block)) {
        return block;
    }
    HeaderLayout layout;
    if (!IsEqualGUID(type->majortype, MEDIATYPE_Video) || IsEqualGUID(type->subtype, GUID_NULL) ||
        !LayoutOf(type->formattype, &layout) || type->cbFormat < layout.size) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    // The header is inside the block from here on.
    const auto* bitmap = reinterpret_cast<const BITMAPINFOHEADER*>(type->pbFormat + layout.bitmapOffset);
    REFERENCE_TIME interval = 0;
    std::memcpy(&interval, type->pbFormat + layout.intervalOffset, sizeof(interval)); // the block may be unaligned
    if (bitmap->biSize < sizeof(BITMAPINFOHEADER) || bitmap->biSize > type->cbFormat - layout.bitmapOffset) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    const LONGLONG width = bitmap->biWidth;
    const LONGLONG height = std::llabs(static_cast<LONGLONG>(bitmap->biHeight));
    if (width <= 0 || height == 0 || interval < 0) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    const LONGLONG frameBytes = FrameBytes(width, height, bitmap->biBitCount);
    if (frameBytes < 0 || FrameBytes(width, height, 8 * kRgb24BytesPerPixel) < 0) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    const LONGLONG imageSize = bitmap->biSizeImage;
    if (imageSize != 0 && (imageSize < frameBytes || imageSize > kLargestFrame)) {
        return VFW_E_INVALIDMEDIATYPE;
    }
    if (view) {
        *view = {bitmap, interval, frameBytes};
    }
    return S_OK;
}

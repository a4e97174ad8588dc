#include "filter/VideoFormats.h"

#include <uuids.h>

#include <climits>
#include <cstring>

#include "filter/FormatLadder.h"

namespace {

const LONGLONG kUnitsPerSecond = 10000000;

LONG SaturateToLong(LONGLONG value)
{
    return value > LONG_MAX ? LONG_MAX : static_cast<LONG>(value);
}

// Bits per second at one frame per frameInterval, unbounded; 0 for an
// interval that is not positive.
LONGLONG BitsPerSecond(const BITMAPINFOHEADER& header, LONGLONG frameInterval)
{
    if (frameInterval <= 0) {
        return 0;
    }
    const LONGLONG height = header.biHeight < 0 ? -static_cast<LONGLONG>(header.biHeight) : header.biHeight;
    const LONGLONG bitsPerFrame = static_cast<LONGLONG>(header.biBitCount) * height * header.biWidth;
    // Headers are the controller's or validated ones (a frame below 2^31
    // bytes, 2^34 bits): times 10^7 stays far below 2^63.
    return bitsPerFrame * kUnitsPerSecond / frameInterval;
}

} // namespace

DWORD VideoBitRate(const BITMAPINFOHEADER& header, LONGLONG frameInterval)
{
    const LONGLONG bits = BitsPerSecond(header, frameInterval);
    return bits > static_cast<LONGLONG>(MAXDWORD) ? MAXDWORD : static_cast<DWORD>(bits < 0 ? 0 : bits);
}

void SetFrameInterval(AM_MEDIA_TYPE& type, LONGLONG frameInterval)
{
    if (VIDEOINFOHEADER* format = VideoInfoOf(type)) {
        format->AvgTimePerFrame = frameInterval;
        format->dwBitRate = VideoBitRate(format->bmiHeader, frameInterval);
    }
}

namespace {

HRESULT MakeTypeOf(const BITMAPINFOHEADER& header, const GUID& subtype, MediaTypeRecord* type,
                   LONGLONG frameInterval)
{
    VIDEOINFOHEADER format = {};
    format.AvgTimePerFrame = frameInterval;
    format.dwBitRate = VideoBitRate(header, frameInterval);
    format.bmiHeader = header;

    AM_MEDIA_TYPE built = {};
    built.majortype = MEDIATYPE_Video;
    built.subtype = subtype;
    built.bFixedSizeSamples = TRUE;
    built.bTemporalCompression = FALSE;
    built.lSampleSize = header.biSizeImage;
    built.formattype = FORMAT_VideoInfo;
    built.pUnk = nullptr;
    built.cbFormat = sizeof(format);
    built.pbFormat = reinterpret_cast<BYTE*>(&format);
    // Assign copies the block into task memory of the record's own.
    return type->Assign(built);
}

} // namespace

HRESULT MakeRgb24VideoType(const BITMAPINFOHEADER& header, MediaTypeRecord* type, LONGLONG frameInterval)
{
    return MakeTypeOf(header, MEDIASUBTYPE_RGB24, type, frameInterval);
}

HRESULT MakeVideoType(PixelFormat format, int width, int height, MediaTypeRecord* type, LONGLONG frameInterval)
{
    return MakeTypeOf(HeaderOf(format, width, height), SubtypeOf(format), type, frameInterval);
}

const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type)
{
    if (!IsEqualGUID(type.formattype, FORMAT_VideoInfo) || !type.pbFormat ||
        type.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return nullptr;
    }
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

VIDEOINFOHEADER* VideoInfoOf(AM_MEDIA_TYPE& type)
{
    return const_cast<VIDEOINFOHEADER*>(VideoInfoOf(static_cast<const AM_MEDIA_TYPE&>(type)));
}

int FormatPositionForResolution(uint8_t resolution)
{
    return (resolution == 1 || resolution == 2) ? resolution : 0;
}

void FillVideoStreamCaps(const VIDEOINFOHEADER& format, VIDEO_STREAM_CONFIG_CAPS* caps)
{
    const LONG width = format.bmiHeader.biWidth;
    const LONG height = format.bmiHeader.biHeight;
    const SIZE size = {width, height};

    std::memset(caps, 0, sizeof(*caps));
    caps->guid = FORMAT_VideoInfo;
    caps->VideoStandard = 0;
    caps->InputSize = size;
    caps->MinCroppingSize = size;
    caps->MaxCroppingSize = size;
    caps->MinOutputSize = size;
    caps->MaxOutputSize = size;
    // The camera's two rates: "High" is the shortest interval, "Normal" the
    // longest.
    caps->MinFrameInterval = FrameRates::kHighFrameInterval;
    caps->MaxFrameInterval = FrameRates::kNormalFrameInterval;
    // The camera's sizes exceed the signed 32-bit fields even at the slower
    // rate (3032 x 2016 RGB24 at 15 per second is 2.2 x 10^9 bits): the rates
    // saturate instead of wrapping to a meaningless value.
    caps->MinBitsPerSecond = SaturateToLong(BitsPerSecond(format.bmiHeader, FrameRates::kNormalFrameInterval));
    caps->MaxBitsPerSecond = SaturateToLong(BitsPerSecond(format.bmiHeader, FrameRates::kHighFrameInterval));
}

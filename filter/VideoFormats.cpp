#include "filter/VideoFormats.h"

#include <uuids.h>

#include <climits>
#include <cstring>

namespace {

// The frame interval the offered types announce (100-ns units): the camera's
// at its high frame speed, 33.3 ms, which is the capture pin's rate since
// each capture sample waits for a new frame. A sink that times the stream by
// the type (an AVI mux writes its frame rate from it) needs a real interval;
// 0 leaves it without a rate.
const LONGLONG kNominalFrameInterval = 333333;
// Frame intervals in 100-ns units: 50 frames per second down to one frame in 5 s.
const LONGLONG kMinFrameInterval = 200000;
const LONGLONG kMaxFrameInterval = 50000000;
const LONGLONG kMaxFramesPerSecond = 50;
const LONGLONG kMinFramesPerSecondDivisor = 5;

LONG SaturateToLong(LONGLONG value)
{
    return value > LONG_MAX ? LONG_MAX : static_cast<LONG>(value);
}

} // namespace

HRESULT MakeRgb24VideoType(const BITMAPINFOHEADER& header, MediaTypeRecord* type)
{
    VIDEOINFOHEADER format = {};
    format.AvgTimePerFrame = kNominalFrameInterval;
    format.bmiHeader = header;

    AM_MEDIA_TYPE built = {};
    built.majortype = MEDIATYPE_Video;
    built.subtype = MEDIASUBTYPE_RGB24;
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
    const LONGLONG bitsPerFrame = static_cast<LONGLONG>(format.bmiHeader.biBitCount) * height * width;

    std::memset(caps, 0, sizeof(*caps));
    caps->guid = FORMAT_VideoInfo;
    caps->VideoStandard = 0;
    caps->InputSize = size;
    caps->MinCroppingSize = size;
    caps->MaxCroppingSize = size;
    caps->MinOutputSize = size;
    caps->MaxOutputSize = size;
    caps->MinFrameInterval = kMinFrameInterval;
    caps->MaxFrameInterval = kMaxFrameInterval;
    caps->MinBitsPerSecond = SaturateToLong(bitsPerFrame / kMinFramesPerSecondDivisor);
    // At 50 frames per second every entry exceeds the signed 32-bit field:
    // the rate saturates instead of wrapping to a meaningless value.
    caps->MaxBitsPerSecond = SaturateToLong(bitsPerFrame * kMaxFramesPerSecond);
}

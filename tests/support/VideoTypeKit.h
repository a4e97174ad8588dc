// Video media types as a client builds them, from the platform's own
// definitions and written out here, independent of the driver's tables: the
// six pixel formats the pins deliver (and IYUV, I420's other name), a
// FORMAT_VideoInfo type of any of them at a size, rate and row width, and the
// bytes a frame of it takes.
#pragma once

#include <windows.h>

#include <strmif.h>
#include <amvideo.h>
#include <uuids.h>

#include <cstddef>

#include "camera/PixelFormat.h"

namespace testenv {

// The platform's subtype of a FOURCC.
constexpr GUID FourccSubtype(DWORD fourcc)
{
    return GUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

struct FormatFacts {
    const char* name;
    PixelFormat format; // the layout its frames have
    GUID subtype;
    DWORD compression;
    WORD bitCount;
};

inline const FormatFacts kRgb24Facts = {"RGB24", PixelFormat::Rgb24, MEDIASUBTYPE_RGB24, BI_RGB, 24};
inline const FormatFacts kRgb32Facts = {"RGB32", PixelFormat::Rgb32, MEDIASUBTYPE_RGB32, BI_RGB, 32};
inline const FormatFacts kYuy2Facts = {"YUY2", PixelFormat::Yuy2, FourccSubtype(MAKEFOURCC('Y', 'U', 'Y', '2')),
                                       MAKEFOURCC('Y', 'U', 'Y', '2'), 16};
inline const FormatFacts kNv12Facts = {"NV12", PixelFormat::Nv12, FourccSubtype(MAKEFOURCC('N', 'V', '1', '2')),
                                       MAKEFOURCC('N', 'V', '1', '2'), 12};
inline const FormatFacts kI420Facts = {"I420", PixelFormat::I420, FourccSubtype(MAKEFOURCC('I', '4', '2', '0')),
                                       MAKEFOURCC('I', '4', '2', '0'), 12};
inline const FormatFacts kIyuvFacts = {"IYUV", PixelFormat::I420, FourccSubtype(MAKEFOURCC('I', 'Y', 'U', 'V')),
                                       MAKEFOURCC('I', 'Y', 'U', 'V'), 12};
inline const FormatFacts kY800Facts = {"Y800", PixelFormat::Y800, FourccSubtype(MAKEFOURCC('Y', '8', '0', '0')),
                                       MAKEFOURCC('Y', '8', '0', '0'), 8};

// Bytes of a frame of rowPixels x height pixels of the format: DIB rows of
// 24-bit RGB padded to 4 bytes, 4:2:0 planes of half the rows.
inline size_t FrameBytesOf(const FormatFacts& facts, int rowPixels, int height)
{
    const size_t pixels = static_cast<size_t>(rowPixels) * static_cast<size_t>(height);
    switch (facts.format) {
    case PixelFormat::Rgb24:
        return ((static_cast<size_t>(rowPixels) * 3 + 3) / 4 * 4) * static_cast<size_t>(height);
    case PixelFormat::Rgb32:
    case PixelFormat::Rgb32TopDown:
        return pixels * 4;
    case PixelFormat::Yuy2:
        return pixels * 2;
    case PixelFormat::Nv12:
    case PixelFormat::I420:
        return pixels * 3 / 2;
    case PixelFormat::Y800:
        return pixels;
    }
    return 0;
}

// A FORMAT_VideoInfo type of the format at width x height whose rows hold
// rowPixels pixels (0: width; wider: rcTarget is the width x height picture,
// biWidth the row, as a renderer proposes a wider stride), at interval (0:
// none named), with biSizeImage and lSampleSize one frame. The block is the
// object's own: keep it while the type is used.
class TestVideoType {
public:
    TestVideoType(const FormatFacts& facts, int width, int height, int rowPixels = 0, REFERENCE_TIME interval = 0)
    {
        const int row = rowPixels > 0 ? rowPixels : width;
        const DWORD bytes = static_cast<DWORD>(FrameBytesOf(facts, row, height));
        m_info.AvgTimePerFrame = interval;
        if (row != width) {
            m_info.rcSource = {0, 0, width, height};
            m_info.rcTarget = {0, 0, width, height};
        }
        BITMAPINFOHEADER& header = m_info.bmiHeader;
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = row;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = facts.bitCount;
        header.biCompression = facts.compression;
        header.biSizeImage = bytes;
        m_type.majortype = MEDIATYPE_Video;
        m_type.subtype = facts.subtype;
        m_type.bFixedSizeSamples = TRUE;
        m_type.lSampleSize = bytes;
        m_type.formattype = FORMAT_VideoInfo;
        m_type.cbFormat = sizeof(m_info);
        m_type.pbFormat = reinterpret_cast<BYTE*>(&m_info);
    }
    TestVideoType(const TestVideoType&) = delete;
    TestVideoType& operator=(const TestVideoType&) = delete;

    AM_MEDIA_TYPE* Type() { return &m_type; }
    VIDEOINFOHEADER& Info() { return m_info; }

private:
    VIDEOINFOHEADER m_info = {};
    AM_MEDIA_TYPE m_type = {};
};

} // namespace testenv

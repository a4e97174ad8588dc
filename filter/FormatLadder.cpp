#include "filter/FormatLadder.h"

#include <uuids.h>

#include "framework/VideoType.h"

namespace {

constexpr DWORD Fourcc(char a, char b, char c, char d)
{
    return static_cast<DWORD>(static_cast<unsigned char>(a)) | (static_cast<DWORD>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<DWORD>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<DWORD>(static_cast<unsigned char>(d)) << 24);
}

const DWORD kFourccYuy2 = Fourcc('Y', 'U', 'Y', '2');
const DWORD kFourccNv12 = Fourcc('N', 'V', '1', '2');
const DWORD kFourccI420 = Fourcc('I', '4', '2', '0');
const DWORD kFourccIyuv = Fourcc('I', 'Y', 'U', 'V');
const DWORD kFourccY800 = Fourcc('Y', '8', '0', '0');

// The platform's subtype for a FOURCC: the FOURCC, then the fixed tail
// 0000-0010-8000-00AA00389B71.
GUID FourccSubtype(DWORD fourcc)
{
    return GUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

const PixelFormat kLadderFormats[kLadderFormatCount] = {
    PixelFormat::Rgb24, PixelFormat::Rgb32, PixelFormat::Yuy2, PixelFormat::Nv12, PixelFormat::I420, PixelFormat::Y800,
};

struct LadderSize {
    int width;
    int height;
    bool wholeImage;
};
// The camera's binned image, its whole image, then what applications ask for.
const LadderSize kLadderSizes[kLadderSizeCount] = {
    {3032, 2016, false}, {3264, 2448, true}, {1920, 1080, false}, {1280, 720, false}, {640, 480, false},
};

struct FormatCode {
    PixelFormat format;
    DWORD compression;
    WORD bitCount;
};
const FormatCode kFormatCodes[] = {
    {PixelFormat::Rgb24, BI_RGB, 24},       {PixelFormat::Rgb32, BI_RGB, 32},       {PixelFormat::Yuy2, kFourccYuy2, 16},
    {PixelFormat::Nv12, kFourccNv12, 12},   {PixelFormat::I420, kFourccI420, 12},   {PixelFormat::I420, kFourccIyuv, 12},
    {PixelFormat::Y800, kFourccY800, 8},
};

} // namespace

LadderEntry LadderEntryAt(int index)
{
    if (index < 0 || index >= kLadderEntryCount) {
        return LadderEntry();
    }
    const LadderSize& size = kLadderSizes[index / kLadderFormatCount];
    LadderEntry entry;
    entry.format = kLadderFormats[index % kLadderFormatCount];
    entry.width = size.width;
    entry.height = size.height;
    entry.wholeImage = size.wholeImage;
    return entry;
}

BITMAPINFOHEADER HeaderOf(PixelFormat format, int width, int height)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    for (const FormatCode& code : kFormatCodes) {
        if (code.format == format) {
            header.biCompression = code.compression;
            header.biBitCount = code.bitCount;
            break;
        }
    }
    header.biSizeImage = static_cast<DWORD>(FrameLayout::Natural(format, width, height).Bytes());
    return header;
}

GUID SubtypeOf(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Rgb24:
        return MEDIASUBTYPE_RGB24;
    case PixelFormat::Rgb32:
        return MEDIASUBTYPE_RGB32;
    case PixelFormat::Rgb32TopDown: // not a layout the pins offer
        return GUID_NULL;
    case PixelFormat::Yuy2:
        return FourccSubtype(kFourccYuy2);
    case PixelFormat::Nv12:
        return FourccSubtype(kFourccNv12);
    case PixelFormat::I420:
        return FourccSubtype(kFourccI420);
    case PixelFormat::Y800:
        return FourccSubtype(kFourccY800);
    }
    return GUID_NULL;
}

bool FormatOfSubtype(const GUID& subtype, PixelFormat* format)
{
    for (const FormatCode& code : kFormatCodes) {
        const GUID wanted = code.compression == BI_RGB ? SubtypeOf(code.format) : FourccSubtype(code.compression);
        if (IsEqualGUID(subtype, wanted)) {
            *format = code.format;
            return true;
        }
    }
    return false;
}

bool FormatOfHeader(const BITMAPINFOHEADER& header, PixelFormat* format)
{
    for (const FormatCode& code : kFormatCodes) {
        if (header.biCompression == code.compression && header.biBitCount == code.bitCount) {
            *format = code.format;
            return true;
        }
    }
    return false;
}

FrameFit FitForSize(int width, int height)
{
    for (const LadderSize& size : kLadderSizes) {
        if (size.width == width && size.height == height) {
            return FitForOfferedSize(width, height);
        }
    }
    // Sizes outside the ladder are never delivered; cut, as the pin always did.
    return FrameFit::CentredCut;
}

FrameLayout FrameLayoutOfType(const AM_MEDIA_TYPE& type)
{
    VideoTypeView view;
    if (FAILED(ValidateVideoType(&type, &view)) || !IsEqualGUID(type.formattype, FORMAT_VideoInfo)) {
        return FrameLayout();
    }
    const VIDEOINFOHEADER& info = *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const BITMAPINFOHEADER& header = info.bmiHeader;
    PixelFormat bySubtype = PixelFormat::Rgb24;
    PixelFormat byHeader = PixelFormat::Rgb24;
    if (!FormatOfSubtype(type.subtype, &bySubtype) || !FormatOfHeader(header, &byHeader) || bySubtype != byHeader) {
        return FrameLayout();
    }
    const PixelFormat format = byHeader;
    // RGB rows are bottom-up at a positive height only (a negative one would
    // be top-down RGB, which the pin does not deliver); YUV and grey are
    // top-down whatever the sign.
    if (IsBottomUp(format) && header.biHeight < 0) {
        return FrameLayout();
    }
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    int width = header.biWidth;
    const RECT& target = info.rcTarget;
    if (target.left == 0 && target.top == 0 && target.bottom == height && target.right > 0 &&
        target.right < header.biWidth) {
        width = target.right; // rows of biWidth pixels, frames of the rectangle's width
    }
    size_t stride = static_cast<size_t>(header.biWidth) * FirstPlaneBytesPerPixel(format);
    if (format == PixelFormat::Rgb24) {
        stride = (stride + 3) & ~static_cast<size_t>(3);
    }
    if (format == PixelFormat::I420 && stride % 2 != 0) {
        return FrameLayout();
    }
    const FrameLayout layout = FrameLayout::WithStride(format, width, height, stride, FitForSize(width, height));
    if (layout.IsEmpty() || (header.biSizeImage != 0 && header.biSizeImage < layout.Bytes())) {
        return FrameLayout();
    }
    return layout;
}

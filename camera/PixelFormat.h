// The pixel formats a frame can be delivered in, and what each one's layout
// needs: how its rows are ordered and where it halves the chroma resolution.
#pragma once

enum class PixelFormat {
    Rgb24, // bytes B, G, R; rows bottom-up (a positive-height 24-bit DIB)
    Rgb32, // bytes B, G, R, 0xFF; rows bottom-up
    Yuy2,  // 4:2:2 packed Y0 U Y1 V; rows top-down; BT.601, range 16-235
    Nv12,  // 4:2:0: the Y plane, then one plane of interleaved U V; top-down; BT.601, 16-235
    I420,  // 4:2:0: the Y plane, then U, then V (IYUV is the same layout); top-down; BT.601, 16-235
    Y800,  // 8-bit grey, full-range luma (0-255); top-down
    // Bytes B, G, R, 0xFF; rows top-down: Media Foundation's RGB32, whose
    // default stride is positive (the filter's RGB32 stays bottom-up).
    Rgb32TopDown,
};

// Whether the first row in memory is the bottom of the picture.
constexpr bool IsBottomUp(PixelFormat format)
{
    return format == PixelFormat::Rgb24 || format == PixelFormat::Rgb32;
}

// Whether a frame of the format needs an even width (chroma shared by pixel
// pairs) or an even height (chroma shared by row pairs).
constexpr bool NeedsEvenWidth(PixelFormat format)
{
    return format == PixelFormat::Yuy2 || format == PixelFormat::Nv12 || format == PixelFormat::I420;
}
constexpr bool NeedsEvenHeight(PixelFormat format)
{
    return format == PixelFormat::Nv12 || format == PixelFormat::I420;
}

// Bytes of one pixel of the format's first (or only) plane.
constexpr int FirstPlaneBytesPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Rgb24:
        return 3;
    case PixelFormat::Rgb32:
    case PixelFormat::Rgb32TopDown:
        return 4;
    case PixelFormat::Yuy2:
        return 2;
    default:
        return 1;
    }
}

// "RGB24", "RGB32", "YUY2", "NV12", "I420", "Y800", "RGB32 top-down".
constexpr const char* PixelFormatName(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Rgb24:
        return "RGB24";
    case PixelFormat::Rgb32:
        return "RGB32";
    case PixelFormat::Yuy2:
        return "YUY2";
    case PixelFormat::Nv12:
        return "NV12";
    case PixelFormat::I420:
        return "I420";
    case PixelFormat::Y800:
        return "Y800";
    case PixelFormat::Rgb32TopDown:
        return "RGB32 top-down";
    }
    return "?";
}

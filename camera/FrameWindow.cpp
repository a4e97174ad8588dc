#include "camera/FrameWindow.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "camera/FrameCopy.h"

namespace {

const size_t kBytesPerPixel = 3;

// Where the image and the frame meet along one dimension: the first image
// pixel copied, the first frame pixel it lands on, and how many are copied.
struct Span {
    int imageStart;
    int frameStart;
    int length;
};

Span CentredSpan(int imageSide, int frameSide)
{
    if (imageSide <= 0) {
        return {0, 0, 0};
    }
    if (imageSide >= frameSide) {
        return {(imageSide - frameSide) >> 1, 0, frameSide};
    }
    return {0, (frameSide - imageSide) >> 1, imageSide};
}

} // namespace

FrameLayout FrameLayout::Rgb24Dib(int width, int height)
{
    return Natural(PixelFormat::Rgb24, width, height);
}

FrameLayout FrameLayout::Natural(PixelFormat format, int width, int height, FrameFit fit)
{
    if (width <= 0 || height <= 0) {
        return FrameLayout();
    }
    const unsigned long long row = static_cast<unsigned long long>(width) * FirstPlaneBytesPerPixel(format);
    // DIB rows of 24-bit pixels are padded to whole 32-bit words; the other
    // formats' rows are whole words already (RGB32), or planes whose rows
    // DirectShow clients take unpadded.
    const unsigned long long stride = format == PixelFormat::Rgb24 ? (row + 3) / 4 * 4 : row;
    if (stride > INT_MAX) {
        return FrameLayout();
    }
    return WithStride(format, width, height, static_cast<size_t>(stride), fit);
}

FrameLayout FrameLayout::WithStride(PixelFormat format, int width, int height, size_t stride, FrameFit fit)
{
    if (width <= 0 || height <= 0 || (NeedsEvenWidth(format) && width % 2 != 0) ||
        (NeedsEvenHeight(format) && height % 2 != 0) ||
        stride < static_cast<unsigned long long>(width) * FirstPlaneBytesPerPixel(format)) {
        return FrameLayout();
    }
    FrameLayout layout;
    layout.width = width;
    layout.height = height;
    layout.stride = stride;
    layout.format = format;
    layout.fit = fit;
    // Computed in 64 bits first: the frame's bytes must fit a 32-bit count.
    const unsigned long long rows = static_cast<unsigned long long>(stride) * static_cast<unsigned>(height);
    unsigned long long bytes = rows;
    if (format == PixelFormat::Nv12) {
        bytes = rows + rows / 2;
    } else if (format == PixelFormat::I420) {
        bytes = rows + 2ULL * (stride / 2) * static_cast<unsigned>(height / 2);
    }
    if (stride > INT_MAX || bytes > INT_MAX) {
        return FrameLayout();
    }
    return layout;
}

FrameFit FitForOfferedSize(int width, int /*height*/)
{
    // The camera's own frames are 3032 pixels wide (binned) or wider.
    constexpr int kCameraFrameWidth = 3032;
    return width >= kCameraFrameWidth ? FrameFit::CentredCut : FrameFit::ScaledWindow;
}

size_t FrameLayout::Bytes() const
{
    if (IsEmpty()) {
        return 0;
    }
    const size_t rows = stride * static_cast<size_t>(height);
    switch (format) {
    case PixelFormat::Nv12:
        return rows + stride * static_cast<size_t>(height / 2);
    case PixelFormat::I420:
        return rows + 2 * (stride / 2) * static_cast<size_t>(height / 2);
    default:
        return rows;
    }
}

size_t CopyCentredWindow(const unsigned char* image, int imageWidth, int imageHeight, const FrameLayout& layout,
                         unsigned char* frame, size_t capacity)
{
    if (!frame || layout.format != PixelFormat::Rgb24 || layout.width <= 0 || layout.height <= 0 ||
        layout.stride < static_cast<size_t>(layout.width) * kBytesPerPixel) {
        return 0;
    }
    const bool hasImage = image && imageWidth > 0 && imageHeight > 0;
    const Span columns = hasImage ? CentredSpan(imageWidth, layout.width) : Span{0, 0, 0};
    const Span rows = hasImage ? CentredSpan(imageHeight, layout.height) : Span{0, 0, 0};

    const size_t imageStride = hasImage ? static_cast<size_t>(imageWidth) * kBytesPerPixel : 0;
    const size_t before = static_cast<size_t>(columns.frameStart) * kBytesPerPixel;
    const size_t copied = static_cast<size_t>(columns.length) * kBytesPerPixel;
    const size_t after = layout.stride - before - copied;
    const int rowsThatFit = static_cast<int>(std::min<size_t>(layout.height, capacity / layout.stride));

    // Rows [0, firstRow) and [endRow, rowsThatFit) of the frame are black;
    // the rows between come from the image.
    const int firstRow = std::min(rows.frameStart, rowsThatFit);
    const int endRow = std::max(firstRow, std::min(rows.frameStart + rows.length, rowsThatFit));
    const unsigned char* from = image ? image + static_cast<size_t>(rows.imageStart) * imageStride +
                                            static_cast<size_t>(columns.imageStart) * kBytesPerPixel
                                      : nullptr;
    unsigned char* out = frame;
    std::memset(out, 0, static_cast<size_t>(firstRow) * layout.stride);
    out += static_cast<size_t>(firstRow) * layout.stride;
    if (before == 0 && after == 0 && imageStride == layout.stride) {
        // Whole, unpadded rows on both sides (the image is the frame): one
        // block.
        const size_t block = static_cast<size_t>(endRow - firstRow) * layout.stride;
        if (block > 0) {
            CopyFrameBytes(out, from, block);
        }
        out += block;
    } else {
        for (int row = firstRow; row < endRow; ++row, out += layout.stride, from += imageStride) {
            std::memset(out, 0, before);
            CopyFrameBytes(out + before, from, copied);
            std::memset(out + before + copied, 0, after);
        }
    }
    std::memset(out, 0, static_cast<size_t>(rowsThatFit - endRow) * layout.stride);
    return static_cast<size_t>(rowsThatFit) * layout.stride;
}

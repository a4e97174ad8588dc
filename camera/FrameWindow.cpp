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
    FrameLayout layout;
    if (width <= 0 || height <= 0) {
        return layout;
    }
    const unsigned long long stride = (static_cast<unsigned long long>(width) * 24 + 31) / 32 * 4;
    if (stride * static_cast<unsigned long long>(height) > INT_MAX) {
        return layout;
    }
    layout.width = width;
    layout.height = height;
    layout.stride = static_cast<size_t>(stride);
    return layout;
}

size_t CopyCentredWindow(const unsigned char* image, int imageWidth, int imageHeight, const FrameLayout& layout,
                         unsigned char* frame, size_t capacity)
{
    if (!frame || layout.width <= 0 || layout.height <= 0 ||
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

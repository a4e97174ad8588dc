#include "camera/FrameWindow.h"

#include <algorithm>
#include <climits>
#include <cstring>

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

    unsigned char* out = frame;
    for (int row = 0; row < rowsThatFit; ++row, out += layout.stride) {
        const int imageRow = row - rows.frameStart + rows.imageStart;
        if (row < rows.frameStart || row >= rows.frameStart + rows.length) {
            std::memset(out, 0, layout.stride);
            continue;
        }
        const unsigned char* from =
            image + static_cast<size_t>(imageRow) * imageStride + static_cast<size_t>(columns.imageStart) * kBytesPerPixel;
        std::memset(out, 0, before);
        std::memcpy(out + before, from, copied);
        std::memset(out + before + copied, 0, after);
    }
    return static_cast<size_t>(rowsThatFit) * layout.stride;
}

#include "tools/lumoracap/FrameToRgb.h"

#include <cstring>

#include "libyuv/convert_argb.h"
#include "libyuv/convert_from_argb.h"

bool FrameToRgb24(const BYTE* frame, size_t size, const FrameLayout& layout, std::vector<BYTE>* rgb)
{
    rgb->clear();
    if (!frame || layout.IsEmpty() || size < layout.Bytes()) {
        return false;
    }
    const int width = layout.width;
    const int height = layout.height;
    const int stride = static_cast<int>(layout.stride);
    const int rowBytes = width * 3;
    rgb->resize(static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
    BYTE* out = rgb->data();
    const BYTE* lastRow = frame + static_cast<size_t>(stride) * static_cast<size_t>(height - 1);
    switch (layout.format) {
    case PixelFormat::Rgb24:
        for (int y = 0; y < height; ++y) {
            std::memcpy(out + static_cast<size_t>(y) * rowBytes, lastRow - static_cast<size_t>(y) * stride,
                        static_cast<size_t>(rowBytes));
        }
        return true;
    case PixelFormat::Rgb32: // a negative stride reads the bottom-up rows top-down
        return libyuv::ARGBToRGB24(lastRow, -stride, out, rowBytes, width, height) == 0;
    case PixelFormat::Rgb32TopDown:
        return libyuv::ARGBToRGB24(frame, stride, out, rowBytes, width, height) == 0;
    case PixelFormat::Nv12:
        return libyuv::NV12ToRGB24(frame, stride, frame + static_cast<size_t>(stride) * height, stride, out, rowBytes,
                                   width, height) == 0;
    case PixelFormat::I420: {
        const BYTE* u = frame + static_cast<size_t>(stride) * height;
        const BYTE* v = u + static_cast<size_t>(stride / 2) * (height / 2);
        return libyuv::I420ToRGB24(frame, stride, u, stride / 2, v, stride / 2, out, rowBytes, width, height) == 0;
    }
    case PixelFormat::Yuy2: {
        std::vector<BYTE> argb(static_cast<size_t>(width) * 4 * height);
        return libyuv::YUY2ToARGB(frame, stride, argb.data(), width * 4, width, height) == 0 &&
               libyuv::ARGBToRGB24(argb.data(), width * 4, out, rowBytes, width, height) == 0;
    }
    case PixelFormat::Y800:
        for (int y = 0; y < height; ++y) {
            const BYTE* grey = frame + static_cast<size_t>(y) * stride;
            BYTE* pixel = out + static_cast<size_t>(y) * rowBytes;
            for (int x = 0; x < width; ++x, pixel += 3) {
                pixel[0] = pixel[1] = pixel[2] = grey[x];
            }
        }
        return true;
    }
    rgb->clear();
    return false;
}

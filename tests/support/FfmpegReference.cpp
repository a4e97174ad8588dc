#include "tests/support/FfmpegReference.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "camera/FramePlanes.h"
#include "camera/ScalePlan.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/UnixTools.h"

namespace convtest {
namespace {

const char* FfmpegPixelFormat(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Rgb24:
        return "bgr24";
    case PixelFormat::Rgb32:
    case PixelFormat::Rgb32TopDown:
        return "bgra";
    case PixelFormat::Yuy2:
        return "yuyv422";
    case PixelFormat::Nv12:
        return "nv12";
    case PixelFormat::I420:
        return "yuv420p";
    case PixelFormat::Y800:
        return "gray";
    }
    return "";
}

bool WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

Bytes FfmpegFrame(const Bytes& image, int imageWidth, int imageHeight, const Crop& crop, const FrameLayout& layout,
                  std::string* error, bool fullRangeYuv)
{
    static LONG serial = 0;
    const std::string stem = "ffmpeg-" + std::to_string(InterlockedIncrement(&serial));
    const std::string input = testenv::TempPath(stem + ".bgr");
    const std::string output = testenv::TempPath(stem + ".out");
    if (!WriteFile(input, image)) {
        *error = "cannot write " + input;
        return Bytes();
    }
    const bool grey = layout.format == PixelFormat::Y800;
    const bool yuv = layout.format == PixelFormat::Yuy2 || layout.format == PixelFormat::Nv12 ||
                     layout.format == PixelFormat::I420;
    // The scaler's colour options: the matrix and range of the output.
    std::string colour;
    if (grey || (yuv && fullRangeYuv)) {
        colour = ":out_color_matrix=bt601:out_range=pc";
    } else if (yuv) {
        colour = ":out_color_matrix=bt601:out_range=tv";
    }
    char filters[512];
    std::snprintf(filters, sizeof filters,
                  "vflip,crop=%d:%d:%d:%d,scale=%d:%d:flags=area+accurate_rnd+full_chroma_int%s,format=%s",
                  crop.width, crop.height, crop.left, crop.top, layout.width, layout.height, colour.c_str(),
                  FfmpegPixelFormat(layout.format));
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", imageWidth, imageHeight);
    const std::string command = std::string("ffmpeg -nostdin -v error -f rawvideo -pix_fmt bgr24 -s ") + size +
                                " -i '" + testenv::UnixPath(input) + "' -vf '" + filters +
                                "' -f rawvideo -y '" + testenv::UnixPath(output) + "'";
    std::string log;
    const int status = testenv::RunUnixCommand(command, &log);
    const std::string read = testenv::FileBytes(output);
    Bytes frame(read.begin(), read.end());
    DeleteFileA(input.c_str());
    DeleteFileA(output.c_str());
    if (status != 0 || frame.empty()) {
        *error = command + " -> " + std::to_string(status) + ": " + log;
        return Bytes();
    }
    return frame;
}

Bytes PicturePixels(const FrameLayout& layout, const uint8_t* frame)
{
    Bytes pixels;
    const FramePlanes planes = PlanesOf(layout, const_cast<uint8_t*>(frame));
    for (int i = 0; i < planes.count; ++i) {
        const FramePlane& plane = planes.plane[i];
        for (int row = 0; row < plane.rows; ++row) {
            const uint8_t* from = plane.top + static_cast<ptrdiff_t>(row) * plane.step;
            pixels.insert(pixels.end(), from, from + plane.rowBytes);
        }
    }
    return pixels;
}

double Psnr(const Bytes& a, const Bytes& b)
{
    if (a.size() != b.size() || a.empty()) {
        return 0;
    }
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double difference = static_cast<double>(a[i]) - static_cast<double>(b[i]);
        squares += difference * difference;
    }
    if (squares == 0) {
        return 99;
    }
    const double meanSquare = squares / static_cast<double>(a.size());
    return 10.0 * std::log10(255.0 * 255.0 / meanSquare);
}

Crop CropFor(int imageWidth, int imageHeight, const FrameLayout& layout)
{
    if (layout.fit == FrameFit::ScaledWindow) {
        const PictureRect window = LargestWindowWithAspect(imageWidth, imageHeight, layout.width, layout.height);
        return {window.left, window.top, window.width, window.height};
    }
    const int left = (imageWidth - layout.width) / 2;
    const int bottom = (imageHeight - layout.height) / 2;
    return {left, imageHeight - bottom - layout.height, layout.width, layout.height};
}

} // namespace convtest

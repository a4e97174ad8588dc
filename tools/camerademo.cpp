// camerademo: opens the camera through the camera controller, streams for
// about two seconds while printing progress, and saves one frame as a BMP in
// the folder given on the command line.
//
//   camerademo.exe <output folder>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "camera/Camera.h"
#include "camera/CameraSdkLoader.h"
#include "camera/ModuleInstance.h"
#include "simcamera/SimControl.h"

namespace {

const DWORD kStreamMs = 2000;
const DWORD kReportEveryMs = 250;

// The frame's size: the offered format for the stored resolution, which the
// controller delivers whenever the camera's image covers it.
bool FrameDimensions(CCamera& camera, uint8_t resolution, int frameBytes, int* width, int* height)
{
    BITMAPINFOHEADER formats[5];
    int count = 5;
    camera.GetFormats(formats, &count);
    const int entry = (resolution == 1 || resolution == 2) ? resolution : 0;
    if (entry >= count) {
        return false;
    }
    *width = formats[entry].biWidth;
    *height = formats[entry].biHeight;
    return *width * *height * 3 == frameBytes;
}

// The sequence number the simulated camera stamps at the frame's centre; 0
// when the frame carries no stamp (a real camera).
uint32_t StampSequence(const std::vector<unsigned char>& frame, int width, int height)
{
    SimStamp stamp;
    const size_t offset = SimStampOffset(width, height);
    if (offset + sizeof(stamp) > frame.size()) {
        return 0;
    }
    std::memcpy(&stamp, frame.data() + offset, sizeof(stamp));
    return std::memcmp(stamp.magic, "LUMO", 4) == 0 ? stamp.sequence : 0;
}

// Writes a bottom-up 24-bit BMP: the frame's own layout, rows padded to 4 bytes.
bool WriteBmp(const std::string& path, const std::vector<unsigned char>& frame, int width, int height)
{
    const size_t row = static_cast<size_t>(width) * 3;
    const size_t stride = (row + 3) & ~static_cast<size_t>(3);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;

    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        return false;
    }
    bool ok = std::fwrite(&file, sizeof(file), 1, out) == 1 && std::fwrite(&info, sizeof(info), 1, out) == 1;
    const unsigned char padding[3] = {};
    for (int y = 0; ok && y < height; ++y) {
        ok = std::fwrite(frame.data() + y * row, 1, row, out) == row &&
             std::fwrite(padding, 1, stride - row, out) == stride - row;
    }
    return std::fclose(out) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    moduleHandle = GetModuleHandleA(nullptr); // the capture window's instance

    if (!GetCameraSdk().present) {
        std::fprintf(stderr, "camerademo: ZorvikSDK.dll is not beside the program\n");
        return 1;
    }
    CCamera camera;
    // The stored settings (resolution included) become the controller's record.
    CameraConfig config;
    camera.GetConfig(&config);
    if (camera.Init() != 1) {
        std::fprintf(stderr, "Camera init failed!\n");
        return 1;
    }
    if (camera.Play() != 1) {
        std::fprintf(stderr, "Camera play failed!\n");
        camera.Stop();
        camera.UnInit();
        return 1;
    }

    const int frameBytes = camera.GetFrame(nullptr, 0);
    int width = 0;
    int height = 0;
    const bool known = FrameDimensions(camera, config.m_Format.m_Resolution, frameBytes, &width, &height);
    std::printf("camerademo: resolution %d, frame %d x %d (%d bytes)\n", config.m_Format.m_Resolution, width, height,
                frameBytes);

    std::vector<unsigned char> frame(static_cast<size_t>(frameBytes));
    const ULONGLONG start = GetTickCount64();
    for (ULONGLONG now = start; now - start < kStreamMs; now = GetTickCount64()) {
        Sleep(kReportEveryMs);
        camera.GetFrameNoWait(frame.data(), frameBytes);
        std::printf("  %5.2f s  received %ld  fetched %ld  latest stamp %lu\n", (GetTickCount64() - start) / 1000.0,
                    static_cast<long>(camera.m_FramesReceived), static_cast<long>(camera.m_FramesFetched),
                    static_cast<unsigned long>(known ? StampSequence(frame, width, height) : 0));
        std::fflush(stdout);
    }

    // One more frame, waited for, to keep.
    camera.GetFrame(frame.data(), frameBytes);
    camera.Stop();
    camera.UnInit();

    if (!known) {
        std::fprintf(stderr, "camerademo: frame size does not match an offered format; no picture written\n");
        return 1;
    }
    const std::string path = folder + "\\camerademo.bmp";
    if (!WriteBmp(path, frame, width, height)) {
        std::fprintf(stderr, "camerademo: could not write %s\n", path.c_str());
        return 1;
    }
    std::printf("camerademo: %ld frames received; frame %lu written to %s\n", static_cast<long>(camera.m_FramesReceived),
                static_cast<unsigned long>(StampSequence(frame, width, height)), path.c_str());
    return camera.m_FramesReceived > 0 ? 0 : 1;
}

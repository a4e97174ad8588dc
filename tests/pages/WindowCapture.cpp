#include "tests/pages/WindowCapture.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <set>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

bool WritePng(const std::wstring& path, int width, int height, int stride, BYTE* pixels)
{
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.GetAddressOf())))) {
        return false;
    }
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    const bool ok = SUCCEEDED(factory->CreateStream(stream.GetAddressOf())) &&
                    SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
                    SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf())) &&
                    SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
                    SUCCEEDED(encoder->CreateNewFrame(frame.GetAddressOf(), options.GetAddressOf())) &&
                    SUCCEEDED(frame->Initialize(options.Get())) &&
                    SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
                    SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
                    SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(stride),
                                                 static_cast<UINT>(stride) * static_cast<UINT>(height), pixels)) &&
                    SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    return ok;
}

} // namespace

WindowCaptureResult SaveWindowPng(HWND window, const std::string& path)
{
    WindowCaptureResult result;
    RECT rect = {};
    if (!GetWindowRect(window, &rect)) {
        return result;
    }
    result.width = rect.right - rect.left;
    result.height = rect.bottom - rect.top;
    if (result.width <= 0 || result.height <= 0) {
        return result;
    }

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = result.width;
    info.bmiHeader.biHeight = -result.height; // top-down rows, as PNG stores them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, result.width, result.height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
        SelectObject(memory, old);
        GdiFlush();
    }
    const int stride = (result.width * 3 + 3) & ~3;
    if (copied) {
        auto* pixels = static_cast<BYTE*>(bits);
        std::set<unsigned> colours;
        for (int y = 0; y < result.height; ++y) {
            const BYTE* row = pixels + static_cast<size_t>(y) * stride;
            for (int x = 0; x < result.width; ++x) {
                colours.insert(row[x * 3] | (row[x * 3 + 1] << 8) | (static_cast<unsigned>(row[x * 3 + 2]) << 16));
            }
        }
        result.distinctColours = static_cast<int>(colours.size());
        const std::wstring widePath(path.begin(), path.end());
        result.saved = WritePng(widePath, result.width, result.height, stride, pixels);
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    if (memory) {
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    return result;
}

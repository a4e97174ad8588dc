#include "tools/lumoracap/PngWriter.h"

#include <wincodec.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

HRESULT WritePng(const std::wstring& path, const BYTE* pixels, int width, int height, size_t stride, bool bottomUp)
{
    if (!pixels || width <= 0 || height <= 0 || stride < static_cast<size_t>(width) * 3) {
        return E_INVALIDARG;
    }
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr =
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
    ComPtr<IWICStream> stream;
    if (SUCCEEDED(hr)) {
        hr = factory->CreateStream(&stream);
    }
    if (SUCCEEDED(hr)) {
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    }
    ComPtr<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr)) {
        hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
    }
    ComPtr<IWICBitmapFrameEncode> frame;
    if (SUCCEEDED(hr)) {
        hr = encoder->CreateNewFrame(&frame, nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Initialize(nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) {
        hr = frame->SetPixelFormat(&format);
        if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
            hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; // the encoder wants another layout
        }
    }
    // Top row of the picture first.
    const UINT rowBytes = static_cast<UINT>(width) * 3;
    for (int y = 0; SUCCEEDED(hr) && y < height; ++y) {
        const size_t row = bottomUp ? static_cast<size_t>(height - 1 - y) : static_cast<size_t>(y);
        hr = frame->WritePixels(1, rowBytes, rowBytes, const_cast<BYTE*>(pixels + row * stride));
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Commit();
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Commit();
    }
    return hr;
}

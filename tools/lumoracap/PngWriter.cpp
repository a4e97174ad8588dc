#include "tools/lumoracap/PngWriter.h"

#include <wincodec.h>
#include <wrl/client.h>

#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

HRESULT WritePng(const std::wstring& path, const BYTE* pixels, int width, int height, size_t stride, bool bottomUp)
{
    if (!pixels || width <= 0 || height <= 0 || stride < static_cast<size_t>(width) * 3) {
        return E_INVALIDARG;
    }
    ComPtr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
    ComPtr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(&stream));
    RETURN_IF_FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    ComPtr<IWICBitmapEncoder> encoder;
    RETURN_IF_FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder));
    RETURN_IF_FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
    ComPtr<IWICBitmapFrameEncode> frame;
    RETURN_IF_FAILED(encoder->CreateNewFrame(&frame, nullptr));
    RETURN_IF_FAILED(frame->Initialize(nullptr));
    RETURN_IF_FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    RETURN_IF_FAILED(frame->SetPixelFormat(&format));
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT; // the encoder wants another layout
    }
    // Top row of the picture first.
    const UINT rowBytes = static_cast<UINT>(width) * 3;
    for (int y = 0; y < height; ++y) {
        const size_t row = bottomUp ? static_cast<size_t>(height - 1 - y) : static_cast<size_t>(y);
        RETURN_IF_FAILED(frame->WritePixels(1, rowBytes, rowBytes, const_cast<BYTE*>(pixels + row * stride)));
    }
    RETURN_IF_FAILED(frame->Commit());
    return encoder->Commit();
}

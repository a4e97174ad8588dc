#include "mediasource/SourceMediaTypes.h"

#include <wrl/client.h>

#include "camera/FrameRates.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace mediasource {

namespace {

constexpr PixelFormat kFormats[] = {PixelFormat::Nv12, PixelFormat::Yuy2, PixelFormat::Rgb32TopDown};

struct Size {
    int width;
    int height;
};
constexpr Size kSizes[] = {{1920, 1080}, {1280, 720}, {640, 480}, {3032, 2016}};

struct Rate {
    UINT32 framesPerSecond;
    LONGLONG interval;
};
constexpr Rate kRates[] = {{30, FrameRates::kHighFrameInterval}, {15, FrameRates::kNormalFrameInterval}};

constexpr int kFormatCount = sizeof(kFormats) / sizeof(kFormats[0]);
constexpr int kSizeCount = sizeof(kSizes) / sizeof(kSizes[0]);
constexpr int kRateCount = sizeof(kRates) / sizeof(kRates[0]);
static_assert(kFormatCount * kSizeCount * kRateCount == kSourceTypeCount, "one entry per format, size and rate");

} // namespace

SourceType SourceTypeAt(int index)
{
    if (index < 0 || index >= kSourceTypeCount) {
        return SourceType();
    }
    const Rate& rate = kRates[index % kRateCount];
    const Size& size = kSizes[(index / kRateCount) % kSizeCount];
    const PixelFormat format = kFormats[index / (kRateCount * kSizeCount)];
    return SourceType{format, size.width, size.height, rate.framesPerSecond, rate.interval};
}

GUID MediaSubtypeOf(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Nv12:
        return MFVideoFormat_NV12;
    case PixelFormat::Yuy2:
        return MFVideoFormat_YUY2;
    case PixelFormat::Rgb32TopDown:
        return MFVideoFormat_RGB32;
    default:
        return GUID_NULL;
    }
}

HRESULT CreateMediaTypeOf(const SourceType& entry, IMFMediaType** type)
{
    if (!type) {
        return E_POINTER;
    }
    *type = nullptr;
    const FrameLayout layout = LayoutOf(entry, 0);
    if (layout.IsEmpty()) {
        return E_INVALIDARG;
    }
    ComPtr<IMFMediaType> created;
    RETURN_IF_FAILED(MFCreateMediaType(&created));
    RETURN_IF_FAILED(created->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video));
    RETURN_IF_FAILED(created->SetGUID(MF_MT_SUBTYPE, MediaSubtypeOf(entry.format)));
    RETURN_IF_FAILED(MFSetAttributeSize(created.Get(), MF_MT_FRAME_SIZE, entry.width, entry.height));
    RETURN_IF_FAILED(MFSetAttributeRatio(created.Get(), MF_MT_FRAME_RATE, entry.framesPerSecond, 1));
    RETURN_IF_FAILED(MFSetAttributeRatio(created.Get(), MF_MT_PIXEL_ASPECT_RATIO, 1, 1));
    RETURN_IF_FAILED(created->SetUINT32(MF_MT_INTERLACE_MODE, MFVideoInterlace_Progressive));
    RETURN_IF_FAILED(created->SetUINT32(MF_MT_DEFAULT_STRIDE, static_cast<UINT32>(layout.stride)));
    RETURN_IF_FAILED(created->SetUINT32(MF_MT_ALL_SAMPLES_INDEPENDENT, TRUE));
    RETURN_IF_FAILED(created->SetUINT32(MF_MT_FIXED_SIZE_SAMPLES, TRUE));
    RETURN_IF_FAILED(created->SetUINT32(MF_MT_SAMPLE_SIZE, static_cast<UINT32>(layout.Bytes())));
    if (entry.format == PixelFormat::Rgb32TopDown) {
        RETURN_IF_FAILED(created->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, MFNominalRange_0_255));
    } else {
        RETURN_IF_FAILED(created->SetUINT32(MF_MT_YUV_MATRIX, MFVideoTransferMatrix_BT601));
        RETURN_IF_FAILED(created->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, MFNominalRange_16_235));
    }
    *type = created.Detach();
    return S_OK;
}

int FindSourceType(IMFMediaType* type)
{
    if (!type) {
        return -1;
    }
    GUID subtype = GUID_NULL;
    UINT32 width = 0;
    UINT32 height = 0;
    UINT32 numerator = 0;
    UINT32 denominator = 0;
    if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) ||
        FAILED(MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height))) {
        return -1;
    }
    // A type without a rate names the table's first rate of its format and size.
    const bool hasRate = SUCCEEDED(MFGetAttributeRatio(type, MF_MT_FRAME_RATE, &numerator, &denominator)) &&
                         denominator != 0;
    for (int i = 0; i < kSourceTypeCount; ++i) {
        const SourceType entry = SourceTypeAt(i);
        if (IsEqualGUID(subtype, MediaSubtypeOf(entry.format)) && width == static_cast<UINT32>(entry.width) &&
            height == static_cast<UINT32>(entry.height) &&
            (!hasRate || static_cast<ULONGLONG>(numerator) == static_cast<ULONGLONG>(entry.framesPerSecond) *
                                                                   denominator)) {
            return i;
        }
    }
    return -1;
}

FrameLayout LayoutOf(const SourceType& entry, size_t stride)
{
    const FrameFit fit = FitForOfferedSize(entry.width, entry.height);
    if (stride == 0) {
        return FrameLayout::Natural(entry.format, entry.width, entry.height, fit);
    }
    return FrameLayout::WithStride(entry.format, entry.width, entry.height, stride, fit);
}

} // namespace mediasource

// lumoracap formats: the capabilities of the device's capture pin, as its
// stream configuration lists them, and the format it is set to.
#include <cstdio>

#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/PixelFormatNames.h"
#include "tools/lumoracap/Text.h"
#include "win/MediaType.h"

using Microsoft::WRL::ComPtr;

namespace {

// "3032 x 2016  RGB24  24-bit  18337536 bytes"
std::string DescribeType(const AM_MEDIA_TYPE& type)
{
    if (!IsEqualGUID(type.formattype, FORMAT_VideoInfo) || type.cbFormat < sizeof(VIDEOINFOHEADER) ||
        !type.pbFormat) {
        return SubtypeName(type.subtype) + " (no video format)";
    }
    const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    char text[128];
    std::snprintf(text, sizeof(text), "%ld x %ld  %s  %u-bit  %lu bytes", static_cast<long>(header.biWidth),
                  static_cast<long>(header.biHeight), SubtypeName(type.subtype).c_str(),
                  static_cast<unsigned>(header.biBitCount), static_cast<unsigned long>(type.lSampleSize));
    return text;
}

// "0.2 to 50 fps" from frame intervals in 100-ns units.
std::string DescribeRates(const VIDEO_STREAM_CONFIG_CAPS& caps)
{
    if (caps.MinFrameInterval <= 0 || caps.MaxFrameInterval <= 0) {
        return "";
    }
    char text[64];
    std::snprintf(text, sizeof(text), "  %g to %g fps", 1e7 / static_cast<double>(caps.MaxFrameInterval),
                  1e7 / static_cast<double>(caps.MinFrameInterval));
    return text;
}

} // namespace

int ListFormats(const Options& options, Console& console)
{
    ComPtr<IBaseFilter> filter;
    int exitCode = OpenDevice(options.device, console, &filter);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    ComPtr<IPin> pin = FindPinByCategory(filter.Get(), PIN_CATEGORY_CAPTURE);
    ComPtr<IAMStreamConfig> config;
    if (!pin || FAILED(pin.As(&config))) {
        console.err << "lumoracap: " << Quoted(options.device) << " has no configurable capture pin\n";
        return kExitFailure;
    }
    int count = 0;
    int capsSize = 0;
    HRESULT hr = config->GetNumberOfCapabilities(&count, &capsSize);
    if (FAILED(hr)) {
        console.err << "lumoracap: the formats of " << Quoted(options.device)
                    << " could not be read: " << DescribeResult(hr) << "\n";
        return kExitFailure;
    }
    console.out << "Capture pin of " << Quoted(options.device) << ": " << count << " formats\n";
    for (int i = 0; i < count; ++i) {
        VIDEO_STREAM_CONFIG_CAPS caps = {};
        // The caps record is filled only when it is the size this program knows.
        const bool videoCaps = capsSize == static_cast<int>(sizeof(caps));
        AM_MEDIA_TYPE* raw = nullptr;
        std::vector<BYTE> scratch(static_cast<size_t>(capsSize > 0 ? capsSize : 1));
        hr = config->GetStreamCaps(i, &raw, videoCaps ? reinterpret_cast<BYTE*>(&caps) : scratch.data());
        win::MediaTypePtr type(raw);
        if (hr != S_OK || !type) {
            console.out << "  " << i << "  (not available: " << DescribeResult(hr) << ")\n";
            continue;
        }
        console.out << "  " << i << "  " << DescribeType(*type) << (videoCaps ? DescribeRates(caps) : "") << "\n";
    }
    AM_MEDIA_TYPE* raw = nullptr;
    if (SUCCEEDED(config->GetFormat(&raw)) && raw) {
        win::MediaTypePtr current(raw);
        console.out << "Current format: " << DescribeType(*current) << "\n";
    }
    return kExitSuccess;
}

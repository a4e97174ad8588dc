#include "tools/lumoracap/StreamFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "filter/FormatLadder.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/PixelFormatNames.h"
#include "tools/lumoracap/Text.h"
#include "win/MediaType.h"

using Microsoft::WRL::ComPtr;

namespace {

// The VIDEOINFOHEADER of a type, or null (another format, or a short block).
VIDEOINFOHEADER* VideoInfoOf(AM_MEDIA_TYPE& type)
{
    if (!IsEqualGUID(type.formattype, FORMAT_VideoInfo) || !type.pbFormat ||
        type.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return nullptr;
    }
    return reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
}

std::string SizeText(long width, long height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// "3264 x 2448 at 15 fps", "3032 x 2016", "15 fps" as asked.
std::string Asked(const Options& options)
{
    std::string text = options.width ? SizeText(options.width, options.height) : std::string();
    if (options.framesPerSecond > 0) {
        char rate[32];
        std::snprintf(rate, sizeof(rate), "%g fps", options.framesPerSecond);
        text += (text.empty() ? "" : " at ") + std::string(rate);
    }
    return text;
}

// Calls visit(type, caps) for every listed type with a video format; visit
// may take the type (a copy the caller owns) by moving it.
template <typename Visit>
void ForEachListedType(IAMStreamConfig* config, Visit visit)
{
    int count = 0;
    int capsSize = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &capsSize)) || capsSize < 0) {
        return;
    }
    std::vector<BYTE> caps(std::max(static_cast<size_t>(capsSize), sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* raw = nullptr;
        if (config->GetStreamCaps(i, &raw, caps.data()) != S_OK || !raw) {
            continue;
        }
        win::MediaTypePtr type(raw);
        if (const VIDEOINFOHEADER* format = VideoInfoOf(*type)) {
            visit(type, *format, *reinterpret_cast<const VIDEO_STREAM_CONFIG_CAPS*>(caps.data()));
        }
    }
}

// The listed type of the asked size and subtype (a copy the caller owns), or
// null; the sizes listed in that subtype go to *listed, each once.
win::MediaTypePtr ListedTypeOfSize(IAMStreamConfig* config, int width, int height, const GUID& subtype,
                                   std::string* listed)
{
    win::MediaTypePtr found;
    ForEachListedType(config, [&](win::MediaTypePtr& type, const VIDEOINFOHEADER& format,
                                  const VIDEO_STREAM_CONFIG_CAPS&) {
        if (!IsEqualGUID(type->subtype, subtype)) {
            return;
        }
        const long w = format.bmiHeader.biWidth;
        const long h = std::labs(format.bmiHeader.biHeight);
        const std::string size = SizeText(w, h);
        if (listed->find(size) == std::string::npos) {
            *listed += (listed->empty() ? "" : ", ") + size;
        }
        if (!found && w == width && h == height) {
            found = std::move(type);
        }
    });
    return found;
}

// The bytes of the pin's current format block (none when it has none).
std::vector<BYTE> CurrentFormatBlock(IAMStreamConfig* config)
{
    AM_MEDIA_TYPE* raw = nullptr;
    const win::MediaTypePtr current(SUCCEEDED(config->GetFormat(&raw)) ? raw : nullptr);
    if (!current || !current->pbFormat) {
        return {};
    }
    return std::vector<BYTE>(current->pbFormat, current->pbFormat + current->cbFormat);
}

} // namespace

REFERENCE_TIME FrameIntervalOf(double framesPerSecond)
{
    return static_cast<REFERENCE_TIME>(std::floor(1e7 / framesPerSecond));
}

int ChooseStreamFormat(IBaseFilter* device, REFGUID category, const Options& options, Console& console)
{
    if (options.width == 0 && options.framesPerSecond <= 0 && !options.formatGiven) {
        return kExitSuccess;
    }
    const ComPtr<IPin> pin = FindPinByCategory(device, category);
    ComPtr<IAMStreamConfig> config;
    if (!pin || FAILED(pin.As(&config))) {
        console.err << "lumoracap: the device " << Quoted(options.device) << " has no pin whose format can be set\n";
        return kExitFailure;
    }
    win::MediaTypePtr type;
    if (options.width || options.formatGiven) {
        // The asked size, or the pin's own; in the asked format, or 24-bit RGB.
        int width = options.width;
        int height = options.height;
        if (!width) {
            AM_MEDIA_TYPE* raw = nullptr;
            const win::MediaTypePtr current(SUCCEEDED(config->GetFormat(&raw)) ? raw : nullptr);
            const VIDEOINFOHEADER* currentFormat = current ? VideoInfoOf(*current) : nullptr;
            if (!currentFormat) {
                console.err << "lumoracap: the format of " << Quoted(options.device) << " could not be read\n";
                return kExitFailure;
            }
            width = currentFormat->bmiHeader.biWidth;
            height = std::abs(currentFormat->bmiHeader.biHeight);
        }
        const PixelFormat pixelFormat = options.formatGiven ? options.pixelFormat : PixelFormat::Rgb24;
        std::string listed;
        type = ListedTypeOfSize(config.Get(), width, height, SubtypeOf(pixelFormat), &listed);
        if (!type) {
            const std::string inFormat =
                options.formatGiven ? std::string(" in ") + PixelFormatName(pixelFormat) : std::string();
            console.err << "lumoracap: the device " << Quoted(options.device) << " does not deliver "
                        << SizeText(width, height) << inFormat << "; it lists "
                        << (listed.empty() ? std::string("no sizes") : listed) << inFormat << "\n";
            return kExitFailure;
        }
    } else {
        AM_MEDIA_TYPE* current = nullptr;
        if (FAILED(config->GetFormat(&current)) || !current) {
            console.err << "lumoracap: the format of " << Quoted(options.device) << " could not be read\n";
            return kExitFailure;
        }
        type.reset(current);
    }
    VIDEOINFOHEADER* format = VideoInfoOf(*type);
    if (!format) {
        console.err << "lumoracap: the device " << Quoted(options.device) << " does not describe its frames\n";
        return kExitFailure;
    }
    // 0 names no rate: the device keeps its own.
    format->AvgTimePerFrame = options.framesPerSecond > 0 ? FrameIntervalOf(options.framesPerSecond) : 0;

    const std::vector<BYTE> before = CurrentFormatBlock(config.Get());
    const HRESULT hr = config->SetFormat(type.get());
    if (SUCCEEDED(hr)) {
        return kExitSuccess;
    }
    // A refusal changes nothing. A device may also set the format and then
    // fail to keep it (its settings could not be saved): it took effect.
    if (CurrentFormatBlock(config.Get()) != before) {
        console.err << "lumoracap: warning: the device " << Quoted(options.device) << " uses " << Asked(options)
                    << " but could not keep it: " << DescribeResult(hr) << "\n";
        return kExitSuccess;
    }
    console.err << "lumoracap: the device " << Quoted(options.device) << " cannot deliver " << Asked(options)
                << " now: " << DescribeResult(hr) << "\n";
    return kExitFailure;
}

std::vector<ListedFormat> ListedFormats(IBaseFilter* device, REFGUID category)
{
    std::vector<ListedFormat> formats;
    const ComPtr<IPin> pin = FindPinByCategory(device, category);
    ComPtr<IAMStreamConfig> config;
    if (!pin || FAILED(pin.As(&config))) {
        return formats;
    }
    ForEachListedType(config.Get(), [&](win::MediaTypePtr& type, const VIDEOINFOHEADER& format,
                                        const VIDEO_STREAM_CONFIG_CAPS& caps) {
        ListedFormat listed;
        if (!FormatOfSubtype(type->subtype, &listed.format)) {
            return;
        }
        listed.width = format.bmiHeader.biWidth;
        listed.height = std::labs(format.bmiHeader.biHeight);
        // The longest interval is the lowest rate.
        listed.minFramesPerSecond = caps.MaxFrameInterval > 0 ? 1e7 / static_cast<double>(caps.MaxFrameInterval) : 0;
        listed.maxFramesPerSecond = caps.MinFrameInterval > 0 ? 1e7 / static_cast<double>(caps.MinFrameInterval) : 0;
        formats.push_back(listed);
    });
    return formats;
}

#include "tools/lumoracap/CommandSupport.h"

#include <cstdlib>

#include "filter/FormatLadder.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/FrameToRgb.h"
#include "tools/lumoracap/PixelFormatNames.h"
#include "tools/lumoracap/PngWriter.h"
#include "tools/lumoracap/StreamFormat.h"
#include "tools/lumoracap/Text.h"
#include "win/ComObject.h"
#include "win/HResult.h"
#include "win/UniqueHandle.h"

std::string Quoted(const std::wstring& text)
{
    return "\"" + Utf8(text) + "\"";
}

int OpenDevice(const std::wstring& name, Console& console, Microsoft::WRL::ComPtr<IBaseFilter>* filter)
{
    const HRESULT hr = CreateVideoDevice(name, filter);
    if (hr == S_OK && *filter) {
        return kExitSuccess;
    }
    if (FAILED(hr)) {
        console.err << "lumoracap: the device " << Quoted(name) << " could not be created: " << DescribeResult(hr)
                    << "\n";
        return kExitFailure;
    }
    console.err << "lumoracap: no video input device named " << Quoted(name) << " is registered.\n";
    std::vector<std::wstring> names;
    if (SUCCEEDED(ListVideoDevices(&names)) && !names.empty()) {
        console.err << "The registered video input devices are:";
        for (const std::wstring& other : names) {
            console.err << " " << Quoted(other);
        }
        console.err << "\n";
    }
    console.err << "Register the camera's filter with \"regsvr32 ZorvikFilter.dll\" (ZorvikSDK.dll beside it).\n";
    return kExitNoDevice;
}

int PrepareOutputFile(const std::wstring& path, Console& console, std::wstring* fullPath)
{
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        console.err << "lumoracap: cannot write " << Quoted(path) << ": the path is not valid or too long\n";
        return kExitFileFailed;
    }
    fullPath->assign(buffer, length);

    win::UniqueHandle file(CreateFileW(fullPath->c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const HRESULT reason = HRESULT_FROM_WIN32(GetLastError());
        console.err << "lumoracap: cannot write " << Quoted(*fullPath) << ": " << DescribeResult(reason) << "\n";
        return kExitFileFailed;
    }
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    file.Reset(); // closed before the new, empty file is deleted
    if (!existed) {
        DeleteFileW(fullPath->c_str()); // the check leaves nothing behind
    }
    return kExitSuccess;
}

int SavePng(CaptureGraph& graph, CaptureGraph::Pin pin, const std::vector<BYTE>& frame, const std::wstring& path,
            Console& console)
{
    BITMAPINFOHEADER format = {};
    PixelFormat pixelFormat = PixelFormat::Rgb24;
    if (!graph.GrabbedFormat(pin, &format) || !FormatOfHeader(format, &pixelFormat) ||
        (IsBottomUp(pixelFormat) && format.biHeight < 0)) {
        console.err << "lumoracap: the frame for " << Quoted(path) << " is not video the camera delivers\n";
        return kExitCameraFailed;
    }
    const int width = format.biWidth;
    const int height = std::abs(format.biHeight);
    // Every format back into upright 24-bit pixels.
    std::vector<BYTE> pixels;
    if (!FrameToRgb24(frame.data(), frame.size(), FrameLayout::Natural(pixelFormat, width, height), &pixels)) {
        console.err << "lumoracap: the frame for " << Quoted(path) << " is smaller than " << width << " x " << height
                    << " pixels of " << PixelFormatName(pixelFormat) << "\n";
        return kExitCameraFailed;
    }
    const HRESULT hr = WritePng(path, pixels.data(), width, height, static_cast<size_t>(width) * 3, false);
    if (FAILED(hr)) {
        console.err << "lumoracap: cannot write " << Quoted(path) << ": " << DescribeResult(hr) << "\n";
        return kExitFileFailed;
    }
    console.out << "Snapshot " << width << " x " << height << " written to " << Quoted(path) << "\n";
    return kExitSuccess;
}

int ReportGraphNotBuilt(const char* purpose, const std::wstring& device, HRESULT hr, Console& console)
{
    console.err << "lumoracap: the " << purpose << " graph for " << Quoted(device)
                << " could not be built: " << DescribeResult(hr) << "\n";
    return kExitFailure;
}

namespace {

HRESULT BuildGrabbingGraph(CaptureGraph& graph, IBaseFilter* device, const Options& options, CaptureGraph::Pin pin,
                           FrameGrabber* grabber)
{
    if (!grabber) {
        return E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(graph.Create(device, options.device));
    RETURN_IF_FAILED(graph.Render(pin, grabber, false));
    if (options.preview) {
        RETURN_IF_FAILED(graph.Render(CaptureGraph::Pin::Preview, nullptr, true));
    }
    return S_OK;
}

} // namespace

int SetUpGrabbingGraph(const Options& options, CaptureGraph::Pin pin, const char* purpose, Console& console,
                       CaptureGraph& graph, Microsoft::WRL::ComPtr<IBaseFilter>* device,
                       Microsoft::WRL::ComPtr<FrameGrabber>* grabber)
{
    int exitCode = OpenDevice(options.device, console, device);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    // --size and --fps, before the pin connects.
    const GUID& category = pin == CaptureGraph::Pin::Capture ? PIN_CATEGORY_CAPTURE : PIN_CATEGORY_PREVIEW;
    exitCode = ChooseStreamFormat(device->Get(), category, options, console);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    *grabber = win::MakeComObject<FrameGrabber>();
    const HRESULT hr = BuildGrabbingGraph(graph, device->Get(), options, pin, grabber->Get());
    if (FAILED(hr)) {
        return ReportGraphNotBuilt(purpose, options.device, hr, console);
    }
    return kExitSuccess;
}

int RunGraph(CaptureGraph& graph, const std::wstring& device, Console& console)
{
    const HRESULT hr = graph.Run();
    if (FAILED(hr)) {
        console.err << "lumoracap: the camera " << Quoted(device) << " did not start: " << DescribeResult(hr) << "\n";
        return kExitCameraFailed;
    }
    return kExitSuccess;
}

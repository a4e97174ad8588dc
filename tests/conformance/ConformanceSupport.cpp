#include "tests/conformance/ConformanceSupport.h"

#include <gtest/gtest.h>

#include "tests/module/FilterModule.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "win/HResult.h"

namespace conformance {

void ConformanceTest::SetUpTestSuite()
{
    ASSERT_TRUE(moduletest::RegisterFilterModule()) << "regsvr32 refused ZorvikFilter.dll";
}

ComPtr<IBaseFilter> OpenCamera()
{
    ComPtr<IBaseFilter> filter;
    const HRESULT hr = CreateVideoDevice(L"Lumora Camera", &filter);
    EXPECT_EQ(S_OK, hr) << "no \"Lumora Camera\" among the video input devices";
    return filter;
}

ComPtr<IPin> PinOf(IBaseFilter* filter, REFGUID category)
{
    return filter ? FindPinByCategory(filter, category) : nullptr;
}

ComPtr<IAMStreamConfig> StreamConfigOf(IBaseFilter* filter, REFGUID category)
{
    ComPtr<IAMStreamConfig> config;
    const ComPtr<IPin> pin = PinOf(filter, category);
    if (pin) {
        pin.As(&config);
    }
    return config;
}

HRESULT PlayBack(const std::string& path, filtertest::SampleLog* log, DWORD timeoutMs)
{
    // The platform's file source, reading the file for the splitter the builder puts after it.
    ComPtr<IBaseFilter> source;
    RETURN_IF_FAILED(
        CoCreateInstance(CLSID_AsyncReader, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(source.GetAddressOf())));
    ComPtr<IFileSourceFilter> file;
    RETURN_IF_FAILED(source.As(&file));
    const std::wstring widePath(path.begin(), path.end());
    RETURN_IF_FAILED(file->Load(widePath.c_str(), nullptr));

    graph::SourceGraph player;
    RETURN_IF_FAILED(player.Create(source.Get(), L"AVI file"));
    RETURN_IF_FAILED(player.RenderPin(graph::PinCategory::Any, log, graph::Renderer::Null));
    RETURN_IF_FAILED(player.UseClock(graph::ReferenceClock::None));
    ComPtr<IMediaEvent> events;
    // By its IID: mingw-w64's control.h declares no __uuidof for it.
    RETURN_IF_FAILED(
        player.Control()->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf())));
    RETURN_IF_FAILED(player.Run());
    long code = 0;
    RETURN_IF_FAILED(events->WaitForCompletion(static_cast<long>(timeoutMs), &code));
    return code == EC_COMPLETE ? S_OK : E_FAIL;
}

bool FilterModuleUnloaded()
{
    return GetModuleHandleW(L"ZorvikFilter.dll") == nullptr;
}

} // namespace conformance

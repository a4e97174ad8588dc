#include "bench/BenchGraph.h"

#include "bench/RunResult.h"
#include "filter/CameraFilter.h"
#include "filter/CameraOutputPin.h"
#include "filter/FormatLadder.h"
#include "win/HResult.h"
#include "win/MediaType.h"

using Microsoft::WRL::ComPtr;
using graph::PinCategory;

namespace {

ComPtr<IPin> FirstInputPin(IBaseFilter* filter)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) {
        return nullptr;
    }
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION direction;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT) {
            return pin;
        }
    }
    return nullptr;
}

// COM identity of two interface pointers.
bool SameObject(IUnknown* a, IUnknown* b)
{
    if (!a || !b) {
        return false;
    }
    ComPtr<IUnknown> identityA;
    ComPtr<IUnknown> identityB;
    a->QueryInterface(IID_PPV_ARGS(&identityA));
    b->QueryInterface(IID_PPV_ARGS(&identityB));
    return identityA && identityA.Get() == identityB.Get();
}

} // namespace

BenchGraph::BenchGraph(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock,
                       const PinFormat& captureFormat, const PinFormat& previewFormat)
{
    m_built = Build(captureTimeline, previewTimeline, withClock, captureFormat, previewFormat);
}

HRESULT BenchGraph::Step(HRESULT hr, const char* step)
{
    if (FAILED(hr)) {
        m_failedStep = step;
    }
    return hr;
}

HRESULT BenchGraph::Build(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock,
                          const PinFormat& captureFormat, const PinFormat& previewFormat)
{
    HRESULT created = E_FAIL;
    UnknownBase* object = CreateCameraFilter(nullptr, &created);
    if (SUCCEEDED(created) && !object) {
        created = E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(Step(created, "CreateCameraFilter"));
    // The creation function hands out the inner unknown without a reference:
    // the first query takes the one m_filter keeps.
    RETURN_IF_FAILED(
        Step(object->InnerQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(m_filter.GetAddressOf())),
             "IBaseFilter"));
    m_filterObject = static_cast<CameraFilter*>(object);

    RETURN_IF_FAILED(Step(m_graph.Create(m_filter.Get(), L"Lumora Camera"), "filter graph"));
    RETURN_IF_FAILED(Step(SetPinFormat(m_filterObject->CapturePin(), captureFormat), "capture pin format"));
    RETURN_IF_FAILED(Step(RenderPin(PinCategory::Capture, captureTimeline, captureFormat), "capture pin"));
    if (previewTimeline) {
        RETURN_IF_FAILED(Step(SetPinFormat(static_cast<CameraOutputPin*>(m_filterObject->PinAt(1)), previewFormat),
                              "preview pin format"));
        RETURN_IF_FAILED(Step(RenderPin(PinCategory::Preview, previewTimeline, previewFormat), "preview pin"));
    }
    m_captureSharesAllocator = SharesAllocator(static_cast<CameraOutputPin*>(m_filterObject->PinAt(0)),
                                               m_graph.GrabberOf(PinCategory::Capture));
    m_previewSharesAllocator = previewTimeline && SharesAllocator(static_cast<CameraOutputPin*>(m_filterObject->PinAt(1)),
                                                                  m_graph.GrabberOf(PinCategory::Preview));

    // With a clock, the one the graph would pick at its first Pause, chosen
    // now so that the sinks can read it from the first sample on.
    return Step(m_graph.UseClock(withClock ? graph::ReferenceClock::Default : graph::ReferenceClock::None),
                withClock ? "SetDefaultSyncSource" : "SetSyncSource");
}

HRESULT BenchGraph::RenderPin(PinCategory category, SampleTimeline* timeline, const PinFormat& format)
{
    m_graph.GrabSubtype(SubtypeOf(format.chosen ? format.format : PixelFormat::Rgb24));
    return m_graph.RenderPin(category, timeline, graph::Renderer::Null);
}

HRESULT BenchGraph::SetPinFormat(CameraOutputPin* pin, const PinFormat& wanted)
{
    if (!wanted.chosen) {
        return S_OK;
    }
    if (!pin) {
        return E_UNEXPECTED;
    }
    ComPtr<IAMStreamConfig> config;
    RETURN_IF_FAILED(pin->Pin()->QueryInterface(IID_PPV_ARGS(config.GetAddressOf())));
    int count = 0;
    int size = 0;
    RETURN_IF_FAILED(config->GetNumberOfCapabilities(&count, &size));
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* listed = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        if (size != sizeof(caps) || config->GetStreamCaps(i, &listed, reinterpret_cast<BYTE*>(&caps)) != S_OK) {
            continue;
        }
        const win::MediaTypePtr type(listed);
        VIDEOINFOHEADER* format = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
        PixelFormat listedFormat;
        if (IsEqualGUID(type->formattype, FORMAT_VideoInfo) && format && type->cbFormat >= sizeof(*format) &&
            FormatOfSubtype(type->subtype, &listedFormat) && listedFormat == wanted.format &&
            format->bmiHeader.biWidth == wanted.width && format->bmiHeader.biHeight == wanted.height) {
            format->AvgTimePerFrame = 0; // the camera's rate
            return config->SetFormat(type.get());
        }
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

bool BenchGraph::SharesAllocator(CameraOutputPin* pin, IBaseFilter* sink)
{
    if (!pin || !sink || !pin->Allocator()) {
        return false;
    }
    ComPtr<IPin> input = FirstInputPin(sink);
    ComPtr<IMemInputPin> memInput;
    if (!input || FAILED(input.As(&memInput))) {
        return false;
    }
    ComPtr<IMemAllocator> used;
    if (FAILED(memInput->GetAllocator(&used))) {
        return false;
    }
    return SameObject(used.Get(), pin->Allocator());
}

bool BenchGraph::StreamTimeBase(REFERENCE_TIME* base) const
{
    ComPtr<IReferenceClock> clock = Clock();
    REFERENCE_TIME clockTime = 0;
    REFERENCE_TIME streamTime = 0;
    if (!clock || !m_filterObject || FAILED(clock->GetTime(&clockTime)) ||
        FAILED(m_filterObject->CurrentStreamTime(&streamTime))) {
        return false;
    }
    *base = clockTime - streamTime;
    return true;
}

bool BenchGraph::StreamTime(REFERENCE_TIME* now) const
{
    return m_filterObject && SUCCEEDED(m_filterObject->CurrentStreamTime(now));
}

IMemAllocator* BenchGraph::CaptureAllocator() const
{
    return m_filterObject ? m_filterObject->CapturePin()->Allocator() : nullptr;
}

IMemAllocator* BenchGraph::PreviewAllocator() const
{
    CameraOutputPin* pin = m_filterObject ? static_cast<CameraOutputPin*>(m_filterObject->PinAt(1)) : nullptr;
    return pin && pin->IsConnected() ? pin->Allocator() : nullptr;
}

#include "bench/BenchGraph.h"

#include <qedit.h>

#include <vector>

#include "filter/CameraFilter.h"
#include "filter/CameraOutputPin.h"

// The platform's sample grabber and null renderer; the platform headers do
// not declare their class ids, its strmiids library defines them.
EXTERN_C const CLSID CLSID_SampleGrabber;
EXTERN_C const CLSID CLSID_NullRenderer;

using Microsoft::WRL::ComPtr;

namespace {

template <class Interface>
HRESULT Create(REFCLSID classId, REFIID iid, ComPtr<Interface>& out)
{
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, iid,
                            reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
}

ComPtr<IPin> FirstInputPin(IBaseFilter* filter)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.GetAddressOf()))) {
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
    a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identityA.GetAddressOf()));
    b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identityB.GetAddressOf()));
    return identityA && identityA.Get() == identityB.Get();
}

} // namespace

BenchGraph::BenchGraph(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock)
{
    m_built = Build(captureTimeline, previewTimeline, withClock);
}

HRESULT BenchGraph::Build(SampleTimeline* captureTimeline, SampleTimeline* previewTimeline, bool withClock)
{
    HRESULT created = E_FAIL;
    UnknownBase* object = CreateCameraFilter(nullptr, &created);
    if (!object || FAILED(created)) {
        m_failedStep = "CreateCameraFilter";
        return FAILED(created) ? created : E_OUTOFMEMORY;
    }
    // The creation function hands out the inner unknown without a reference:
    // the first query takes the one m_filter keeps.
    HRESULT hr = object->InnerQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(m_filter.GetAddressOf()));
    if (FAILED(hr)) {
        m_failedStep = "IBaseFilter";
        return hr;
    }
    m_filterObject = static_cast<CameraFilter*>(object);

    if (FAILED(hr = Create(CLSID_FilterGraph, IID_IGraphBuilder, m_graph))) {
        m_failedStep = "CLSID_FilterGraph";
        return hr;
    }
    if (FAILED(hr = Create(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, m_builder)) ||
        FAILED(hr = m_builder->SetFiltergraph(m_graph.Get()))) {
        m_failedStep = "CLSID_CaptureGraphBuilder2";
        return hr;
    }
    if (FAILED(hr = m_graph.As(&m_control))) {
        m_failedStep = "IMediaControl";
        return hr;
    }
    if (FAILED(hr = m_graph->AddFilter(m_filter.Get(), L"Lumora Camera"))) {
        m_failedStep = "AddFilter camera";
        return hr;
    }

    FilterPtr captureGrabber;
    FilterPtr previewGrabber;
    if (FAILED(hr = RenderPin(PIN_CATEGORY_CAPTURE, L"Capture", captureTimeline, captureGrabber)) ||
        FAILED(hr = RenderPin(PIN_CATEGORY_PREVIEW, L"Preview", previewTimeline, previewGrabber))) {
        return hr;
    }
    m_captureSharesAllocator =
        SharesAllocator(static_cast<CameraOutputPin*>(m_filterObject->PinAt(0)), captureGrabber.Get());
    m_previewSharesAllocator =
        SharesAllocator(static_cast<CameraOutputPin*>(m_filterObject->PinAt(1)), previewGrabber.Get());

    // The clock the graph would pick at its first Pause, chosen now so that
    // the sinks can read it from the first sample on.
    ComPtr<IMediaFilter> mediaFilter;
    if (withClock) {
        hr = m_graph->SetDefaultSyncSource();
    } else if (SUCCEEDED(hr = m_graph.As(&mediaFilter))) {
        hr = mediaFilter->SetSyncSource(nullptr);
    }
    if (FAILED(hr)) {
        m_failedStep = withClock ? "SetDefaultSyncSource" : "SetSyncSource";
        return hr;
    }
    return S_OK;
}

HRESULT BenchGraph::RenderPin(const GUID& category, const wchar_t* label, SampleTimeline* timeline,
                              FilterPtr& grabberOut)
{
    FilterPtr renderer;
    const std::string step = IsEqualGUID(category, PIN_CATEGORY_CAPTURE) ? "capture" : "preview";
    FilterPtr grabberFilter;
    ComPtr<ISampleGrabber> grabber;
    HRESULT hr = Create(CLSID_SampleGrabber, IID_IBaseFilter, grabberFilter);
    if (SUCCEEDED(hr)) {
        hr = grabberFilter.As(&grabber);
    }
    // Callback mode 0: SampleCB is handed the sample itself, no copy; the
    // grabber keeps no copy of its own either.
    if (SUCCEEDED(hr)) {
        hr = grabber->SetBufferSamples(FALSE);
    }
    if (SUCCEEDED(hr)) {
        hr = grabber->SetCallback(timeline, 0);
    }
    if (SUCCEEDED(hr)) {
        hr = m_graph->AddFilter(grabberFilter.Get(), (std::wstring(label) + L" grabber").c_str());
    }
    if (FAILED(hr)) {
        m_failedStep = step + " sample grabber";
        return hr;
    }
    hr = Create(CLSID_NullRenderer, IID_IBaseFilter, renderer);
    if (SUCCEEDED(hr)) {
        hr = m_graph->AddFilter(renderer.Get(), (std::wstring(label) + L" renderer").c_str());
    }
    if (FAILED(hr)) {
        m_failedStep = step + " null renderer";
        return hr;
    }
    hr = m_builder->RenderStream(&category, &MEDIATYPE_Video, m_filter.Get(), grabberFilter.Get(), renderer.Get());
    if (FAILED(hr)) {
        m_failedStep = step + " RenderStream";
        return hr;
    }
    grabberOut = grabberFilter;
    return S_OK;
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
    if (FAILED(memInput->GetAllocator(used.GetAddressOf()))) {
        return false;
    }
    return SameObject(used.Get(), pin->Allocator());
}

ComPtr<IReferenceClock> BenchGraph::Clock() const
{
    ComPtr<IMediaFilter> mediaFilter;
    ComPtr<IReferenceClock> clock;
    if (!m_graph || FAILED(m_graph.As(&mediaFilter)) || mediaFilter->GetSyncSource(clock.GetAddressOf()) != S_OK) {
        return nullptr;
    }
    return clock;
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

HRESULT BenchGraph::Pause()
{
    return m_control ? m_control->Pause() : E_UNEXPECTED;
}

HRESULT BenchGraph::Run()
{
    return m_control ? m_control->Run() : E_UNEXPECTED;
}

HRESULT BenchGraph::Stop()
{
    return m_control ? m_control->Stop() : E_UNEXPECTED;
}

BenchGraph::~BenchGraph()
{
    if (m_control) {
        m_control->Stop();
    }
    // Filters hold no reference on the graph; removing them breaks the
    // graph's references on them, so each goes with its last reference.
    if (m_graph) {
        ComPtr<IEnumFilters> filters;
        if (SUCCEEDED(m_graph->EnumFilters(filters.GetAddressOf()))) {
            std::vector<FilterPtr> all;
            FilterPtr filter;
            while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
                all.push_back(filter);
            }
            for (FilterPtr& each : all) {
                m_graph->RemoveFilter(each.Get());
            }
        }
    }
}

#include "graph/SourceGraph.h"

#include <string>
#include <vector>

#include "win/HResult.h"

// The platform's sample grabber and null renderer; the platform headers do
// not declare their class ids, its strmiids library defines them.
EXTERN_C const CLSID CLSID_SampleGrabber;
EXTERN_C const CLSID CLSID_NullRenderer;

using Microsoft::WRL::ComPtr;

namespace graph {
namespace {

// The pin category and media type the builder looks for; any output (null)
// for PinCategory::Any.
const GUID* CategoryOf(PinCategory pin)
{
    switch (pin) {
    case PinCategory::Capture:
        return &PIN_CATEGORY_CAPTURE;
    case PinCategory::Preview:
        return &PIN_CATEGORY_PREVIEW;
    case PinCategory::Any:
        break;
    }
    return nullptr;
}

const GUID* MediaTypeOf(PinCategory pin)
{
    return pin == PinCategory::Any ? nullptr : &MEDIATYPE_Video;
}

// "Capture Grabber", "Preview Renderer", "Stream Grabber": a filter's name in
// the graph.
std::wstring FilterName(PinCategory pin, const wchar_t* role)
{
    const wchar_t* const names[] = {L"Capture ", L"Preview ", L"Stream "};
    return std::wstring(names[static_cast<int>(pin)]) + role;
}

template <class Interface>
HRESULT CreatePlatformObject(REFCLSID classId, ComPtr<Interface>& object)
{
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
}

} // namespace

SourceGraph::~SourceGraph()
{
    Stop();
    for (RenderedPin& rendered : m_pins) {
        if (rendered.grabber) {
            rendered.grabber->SetCallback(nullptr, 0);
        }
    }
    RemoveEveryFilter();
}

HRESULT SourceGraph::Create(IBaseFilter* source, const wchar_t* name)
{
    if (m_graph || !source) {
        return E_UNEXPECTED;
    }
    RETURN_IF_FAILED(CreatePlatformObject(CLSID_FilterGraph, m_graph));
    RETURN_IF_FAILED(CreatePlatformObject(CLSID_CaptureGraphBuilder2, m_builder));
    RETURN_IF_FAILED(m_builder->SetFiltergraph(m_graph.Get()));
    RETURN_IF_FAILED(m_graph.As(&m_control));
    RETURN_IF_FAILED(m_graph->AddFilter(source, name));
    m_source = source;
    return S_OK;
}

HRESULT SourceGraph::AddFilter(IBaseFilter* filter, const wchar_t* name)
{
    return m_graph ? m_graph->AddFilter(filter, name) : E_UNEXPECTED;
}

HRESULT SourceGraph::AddNewFilter(REFCLSID classId, const wchar_t* name, ComPtr<IBaseFilter>* filter)
{
    RETURN_IF_FAILED(CreatePlatformObject(classId, *filter));
    return AddFilter(filter->Get(), name);
}

HRESULT SourceGraph::AddSampleGrabber(PinCategory pin, ISampleGrabberCB* callback)
{
    RenderedPin& rendered = Rendered(pin);
    ComPtr<IBaseFilter> filter;
    ComPtr<ISampleGrabber> grabber;
    RETURN_IF_FAILED(CreatePlatformObject(CLSID_SampleGrabber, filter));
    RETURN_IF_FAILED(filter.As(&grabber));
    AM_MEDIA_TYPE video = {};
    video.majortype = MEDIATYPE_Video;
    video.subtype = m_grabbedSubtype;
    RETURN_IF_FAILED(grabber->SetMediaType(&video));
    RETURN_IF_FAILED(grabber->SetBufferSamples(FALSE));
    RETURN_IF_FAILED(grabber->SetCallback(callback, 0));
    rendered.grabber = grabber; // from here on the destructor detaches the callback
    RETURN_IF_FAILED(AddFilter(filter.Get(), FilterName(pin, L"Grabber").c_str()));
    rendered.grabberFilter = filter;
    return S_OK;
}

HRESULT SourceGraph::RenderPin(PinCategory pin, ISampleGrabberCB* grabberCallback, Renderer renderer)
{
    if (!m_source) {
        return E_UNEXPECTED;
    }
    ComPtr<IBaseFilter> sink;
    if (renderer == Renderer::Null) {
        RETURN_IF_FAILED(AddNewFilter(CLSID_NullRenderer, FilterName(pin, L"Renderer").c_str(), &sink));
    }
    // Without a sink given, the builder adds the default video renderer.
    return RenderPinInto(pin, grabberCallback, sink.Get());
}

HRESULT SourceGraph::RenderPinInto(PinCategory pin, ISampleGrabberCB* grabberCallback, IBaseFilter* sink)
{
    if (!m_source) {
        return E_UNEXPECTED;
    }
    RenderedPin& rendered = Rendered(pin);
    if (grabberCallback) {
        RETURN_IF_FAILED(AddSampleGrabber(pin, grabberCallback));
    }
    rendered.sink = sink;
    return m_builder->RenderStream(CategoryOf(pin), MediaTypeOf(pin), m_source.Get(), rendered.grabberFilter.Get(),
                                   sink);
}

HRESULT SourceGraph::UseClock(ReferenceClock clock)
{
    if (!m_graph) {
        return E_UNEXPECTED;
    }
    if (clock == ReferenceClock::Default) {
        return m_graph->SetDefaultSyncSource();
    }
    ComPtr<IMediaFilter> timing;
    RETURN_IF_FAILED(m_graph.As(&timing));
    return timing->SetSyncSource(nullptr);
}

ComPtr<IReferenceClock> SourceGraph::Clock() const
{
    ComPtr<IMediaFilter> timing;
    ComPtr<IReferenceClock> clock;
    if (!m_graph || FAILED(m_graph.As(&timing)) || timing->GetSyncSource(&clock) != S_OK) {
        return nullptr;
    }
    return clock;
}

HRESULT SourceGraph::Pause()
{
    return m_control ? m_control->Pause() : E_UNEXPECTED;
}

HRESULT SourceGraph::Run()
{
    return m_control ? m_control->Run() : E_UNEXPECTED;
}

HRESULT SourceGraph::Stop()
{
    return m_control ? m_control->Stop() : E_UNEXPECTED;
}

HRESULT SourceGraph::GrabbedType(PinCategory pin, win::MediaTypeContents* type) const
{
    const ComPtr<ISampleGrabber>& grabber = Rendered(pin).grabber;
    return grabber ? grabber->GetConnectedMediaType(type->Receive()) : E_UNEXPECTED;
}

ComPtr<IAMDroppedFrames> SourceGraph::CaptureDroppedFrames() const
{
    ComPtr<IAMDroppedFrames> counts;
    if (m_builder && m_source) {
        m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_source.Get(), IID_PPV_ARGS(&counts));
    }
    return counts;
}

void SourceGraph::RemoveEveryFilter()
{
    ComPtr<IEnumFilters> filters;
    if (!m_graph || FAILED(m_graph->EnumFilters(&filters))) {
        return;
    }
    // Listed first: removing a filter changes the graph's list. A filter
    // holds no reference on its graph, so each removed one goes with its last
    // reference, the graph's or its owner's.
    std::vector<ComPtr<IBaseFilter>> all;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        all.push_back(filter);
    }
    for (const ComPtr<IBaseFilter>& each : all) {
        m_graph->RemoveFilter(each.Get());
    }
}

} // namespace graph

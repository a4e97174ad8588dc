#include "tests/filter/CaptureGraph.h"

#include "tests/filter/StreamFileSink.h"

// Wine's sample grabber and null renderer; the platform headers do not
// declare their class ids, the platform's strmiids library defines them.
EXTERN_C const CLSID CLSID_SampleGrabber;
EXTERN_C const CLSID CLSID_NullRenderer;

namespace filtertest {

SampleLog::SampleLog()
{
    InitializeCriticalSection(&lock);
}

SampleLog::~SampleLog()
{
    DeleteCriticalSection(&lock);
}

std::vector<SampleRecord> SampleLog::Records()
{
    EnterCriticalSection(&lock);
    std::vector<SampleRecord> copy = records;
    LeaveCriticalSection(&lock);
    return copy;
}

size_t SampleLog::Count()
{
    EnterCriticalSection(&lock);
    const size_t count = records.size();
    LeaveCriticalSection(&lock);
    return count;
}

HRESULT STDMETHODCALLTYPE SampleLog::QueryInterface(REFIID iid, void** out)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISampleGrabberCB)) {
        *out = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE SampleLog::SampleCB(double /*time*/, IMediaSample* sample)
{
    SampleRecord record;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    record.receivedQpc = now.QuadPart;
    FilterBase* filter = streamTimeSource;
    record.hasStreamTime = filter && SUCCEEDED(filter->CurrentStreamTime(&record.streamTime));
    record.hasTimes = sample->GetTime(&record.start, &record.end) == S_OK;
    record.syncPoint = sample->IsSyncPoint() == S_OK;
    record.size = sample->GetSize();
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data))) {
        record.stamp = StampIn(data, record.size);
    }
    EnterCriticalSection(&lock);
    records.push_back(record);
    LeaveCriticalSection(&lock);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleLog::BufferCB(double /*time*/, BYTE* /*buffer*/, long /*size*/)
{
    return E_NOTIMPL;
}

GraphPlan LoggedPlanWithoutClock(SampleLog& captureLog, SampleLog& previewLog)
{
    GraphPlan plan;
    plan.captureLog = &captureLog;
    plan.previewLog = &previewLog;
    plan.withClock = false;
    return plan;
}

namespace {

template <class Interface>
HRESULT Create(REFCLSID classId, REFIID iid, ComPtr<Interface>& out)
{
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(out.GetAddressOf()));
}

} // namespace

CaptureGraph::CaptureGraph(const GraphPlan& plan)
{
    HRESULT hr = Create(CLSID_FilterGraph, IID_IGraphBuilder, graph);
    if (SUCCEEDED(hr)) {
        hr = Create(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2, builder);
    }
    if (SUCCEEDED(hr)) {
        hr = builder->SetFiltergraph(graph.Get());
    }
    if (SUCCEEDED(hr)) {
        hr = graph->AddFilter(camera.filter.Get(), L"Lumora Camera");
    }
    if (SUCCEEDED(hr)) {
        hr = graph.As(&control);
    }
    ComPtr<IBaseFilter> captureSink;
    writesFile = !plan.aviPath.empty();
    if (SUCCEEDED(hr)) {
        hr = writesFile ? AddAviWriter(plan.aviPath, captureSink) : AddNullRenderer(L"Capture sink", captureSink);
    }
    if (SUCCEEDED(hr)) {
        hr = RenderPin(PIN_CATEGORY_CAPTURE, captureSink.Get(), plan.captureLog);
    }
    if (SUCCEEDED(hr) && plan.connectPreview) {
        hr = AddNullRenderer(L"Preview sink", previewSink);
        if (SUCCEEDED(hr)) {
            hr = RenderPin(PIN_CATEGORY_PREVIEW, previewSink.Get(), plan.previewLog);
        }
    }
    if (SUCCEEDED(hr) && !plan.withClock) {
        ComPtr<IMediaFilter> timing;
        hr = graph.As(&timing);
        if (SUCCEEDED(hr)) {
            hr = timing->SetSyncSource(nullptr);
        }
    }
    built = hr;
}

HRESULT CaptureGraph::AddAviWriter(const std::string& path, ComPtr<IBaseFilter>& mux)
{
    const std::wstring widePath(path.begin(), path.end());
    HRESULT hr = builder->SetOutputFileName(&MEDIASUBTYPE_Avi, widePath.c_str(), mux.GetAddressOf(), nullptr);
    if (hr != E_NOTIMPL) {
        return hr;
    }
    // Wine 8's capture graph builder leaves this to the application: its AVI
    // mux, which streams only with full interleaving, into the stream sink,
    // connected before the mux gets its input.
    hr = Create(CLSID_AviDest, IID_IBaseFilter, mux);
    if (SUCCEEDED(hr)) {
        hr = graph->AddFilter(mux.Get(), L"AVI Mux");
    }
    ComPtr<IConfigInterleaving> interleaving;
    if (SUCCEEDED(hr)) {
        hr = mux.As(&interleaving);
    }
    if (SUCCEEDED(hr)) {
        hr = interleaving->put_Mode(INTERLEAVE_FULL);
    }
    ComPtr<IBaseFilter> sink;
    if (SUCCEEDED(hr)) {
        StreamFileSink* file = new StreamFileSink(path);
        file->InnerQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(sink.GetAddressOf()));
        hr = file->File() ? graph->AddFilter(sink.Get(), L"File sink") : E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        hr = builder->RenderStream(nullptr, nullptr, mux.Get(), nullptr, sink.Get());
    }
    return hr;
}

HRESULT CaptureGraph::AddNullRenderer(const wchar_t* name, ComPtr<IBaseFilter>& renderer)
{
    HRESULT hr = Create(CLSID_NullRenderer, IID_IBaseFilter, renderer);
    return SUCCEEDED(hr) ? graph->AddFilter(renderer.Get(), name) : hr;
}

HRESULT CaptureGraph::RenderPin(const GUID& category, IBaseFilter* sink, SampleLog* log)
{
    ComPtr<IBaseFilter> grabberFilter;
    if (log) {
        ComPtr<ISampleGrabber> grabber;
        HRESULT hr = Create(CLSID_SampleGrabber, IID_IBaseFilter, grabberFilter);
        if (SUCCEEDED(hr)) {
            hr = grabberFilter.As(&grabber);
        }
        if (SUCCEEDED(hr)) {
            hr = grabber->SetCallback(log, 0); // SampleCB
        }
        if (SUCCEEDED(hr)) {
            hr = graph->AddFilter(grabberFilter.Get(), nullptr);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    return builder->RenderStream(&category, &MEDIATYPE_Video, camera.filter.Get(), grabberFilter.Get(), sink);
}

HRESULT CaptureGraph::Stop()
{
    if (!control) {
        return E_FAIL;
    }
    if (!writesFile) {
        return control->Stop();
    }
    // Wine's graph pauses every filter before it stops them, downstream
    // first, so a source stopped ahead of it would be started again. Paused
    // first, then: the mux keeps taking samples, the preview renderer holds
    // the preview worker in Receive until it stops; then the source, then the
    // rest.
    HRESULT hr = control->Pause();
    if (previewSink) {
        previewSink->Stop();
    }
    const HRESULT source = camera.filter->Stop();
    hr = control->Stop();
    return FAILED(source) ? source : hr;
}

CaptureGraph::~CaptureGraph()
{
    Stop();
    if (!graph) {
        return;
    }
    // The graph holds the filters; taking them out releases them (and closes
    // an AVI file) before the test reads it.
    std::vector<ComPtr<IBaseFilter>> filters;
    ComPtr<IEnumFilters> list;
    if (SUCCEEDED(graph->EnumFilters(list.GetAddressOf()))) {
        ComPtr<IBaseFilter> filter;
        while (list->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
            filters.push_back(filter);
        }
    }
    for (auto& filter : filters) {
        graph->RemoveFilter(filter.Get());
    }
}

double CaptureGraph::RunFor(DWORD milliseconds)
{
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    const HRESULT running = control->Run();
    EXPECT_TRUE(SUCCEEDED(running)) << std::hex << running;
    Sleep(milliseconds);
    QueryPerformanceCounter(&after);
    stopRequestedQpc = after.QuadPart;
    EXPECT_EQ(S_OK, Stop());
    return static_cast<double>(after.QuadPart - before.QuadPart) / frequency.QuadPart;
}

} // namespace filtertest

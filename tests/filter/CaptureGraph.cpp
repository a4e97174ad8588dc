#include "tests/filter/CaptureGraph.h"

#include <algorithm>

#include "tests/filter/StreamFileSink.h"
#include "tests/support/WaitFor.h"
#include "win/HResult.h"

namespace filtertest {

using graph::PinCategory;

std::vector<SampleRecord> SampleLog::Records()
{
    win::LockGuard hold(lock);
    return records;
}

size_t SampleLog::Count()
{
    win::LockGuard hold(lock);
    return records.size();
}

bool SampleLog::WaitForMore(size_t count)
{
    const size_t target = Count() + count;
    return testenv::WaitFor([&] { return Count() >= target; });
}

HRESULT STDMETHODCALLTYPE SampleLog::SampleCB(double /*time*/, IMediaSample* sample)
{
    SampleRecord record;
    record.receivedQpc = QpcNow();
    FilterBase* filter = streamTimeSource;
    record.hasStreamTime = filter && SUCCEEDED(filter->CurrentStreamTime(&record.streamTime));
    record.hasTimes = sample->GetTime(&record.start, &record.end) == S_OK;
    record.syncPoint = sample->IsSyncPoint() == S_OK;
    record.size = sample->GetSize();
    record.actualLength = sample->GetActualDataLength();
    BYTE* data = nullptr;
    if (SUCCEEDED(sample->GetPointer(&data)) && data) {
        record.stamp = StampIn(data, record.actualLength, frameWidth, frameHeight);
        const long rowBytes = frameWidth * 3;
        record.bottomRowBlack = record.actualLength >= rowBytes &&
                                std::all_of(data, data + rowBytes, [](BYTE byte) { return byte == 0; });
    }
    win::LockGuard hold(lock);
    records.push_back(record);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleLog::BufferCB(double /*time*/, BYTE* /*buffer*/, long /*size*/)
{
    return E_NOTIMPL;
}

HRESULT PauseResult(CaptureGraph& graph)
{
    HRESULT hr = graph.Control()->Pause();
    if (hr == S_FALSE) {
        OAFilterState state;
        hr = graph.Control()->GetState(10000, &state);
    }
    return hr;
}

GraphPlan LoggedPlanWithoutClock(SampleLog* captureLog, SampleLog* previewLog)
{
    GraphPlan plan;
    plan.captureLog = captureLog;
    plan.previewLog = previewLog;
    plan.withClock = false;
    return plan;
}

CaptureGraph::CaptureGraph(const GraphPlan& plan) : writesFile(!plan.aviPath.empty())
{
    built = Build(plan);
}

HRESULT CaptureGraph::Build(const GraphPlan& plan)
{
    source = plan.source ? plan.source : camera.filter.Get();
    RETURN_IF_FAILED(sourceGraph.Create(source.Get(), L"Lumora Camera"));
    if (plan.grabAnySubtype) {
        sourceGraph.GrabSubtype(GUID_NULL);
    }
    if (writesFile) {
        ComPtr<IBaseFilter> mux;
        RETURN_IF_FAILED(AddAviWriter(plan.aviPath, &mux));
        RETURN_IF_FAILED(sourceGraph.RenderPinInto(PinCategory::Capture, plan.captureLog, mux.Get()));
    } else {
        RETURN_IF_FAILED(sourceGraph.RenderPin(PinCategory::Capture, plan.captureLog, graph::Renderer::Null));
    }
    if (plan.connectPreview) {
        RETURN_IF_FAILED(sourceGraph.RenderPin(PinCategory::Preview, plan.previewLog, graph::Renderer::Null));
    }
    // With a clock, the graph picks its default one at the first Pause.
    return plan.withClock ? S_OK : sourceGraph.UseClock(graph::ReferenceClock::None);
}

HRESULT CaptureGraph::AddAviWriter(const std::string& path, ComPtr<IBaseFilter>* mux)
{
    const std::wstring widePath(path.begin(), path.end());
    const HRESULT hr =
        sourceGraph.Builder()->SetOutputFileName(&MEDIASUBTYPE_Avi, widePath.c_str(), mux->GetAddressOf(), nullptr);
    if (hr != E_NOTIMPL) {
        return hr;
    }
    // Wine 8's capture graph builder leaves this to the application: its AVI mux (full interleaving only) into the
    // stream sink, connected before the mux gets its input.
    RETURN_IF_FAILED(sourceGraph.AddNewFilter(CLSID_AviDest, L"AVI Mux", mux));
    ComPtr<IConfigInterleaving> interleaving;
    RETURN_IF_FAILED(mux->As(&interleaving));
    RETURN_IF_FAILED(interleaving->put_Mode(INTERLEAVE_FULL));
    ComPtr<IBaseFilter> sink;
    RETURN_IF_FAILED(StreamFileSink::Create(path, &sink));
    RETURN_IF_FAILED(sourceGraph.AddFilter(sink.Get(), L"File sink"));
    return sourceGraph.Builder()->RenderStream(nullptr, nullptr, mux->Get(), nullptr, sink.Get());
}

HRESULT CaptureGraph::Stop()
{
    if (!writesFile) {
        return sourceGraph.Stop();
    }
    // Wine's graph pauses every filter before stopping them downstream first, so a source stopped ahead of it would be
    // started again. Paused first, then: the mux keeps taking samples and the preview renderer holds the preview worker
    // in Receive until it stops; then the source, then the rest.
    sourceGraph.Pause();
    if (IBaseFilter* previewSink = sourceGraph.SinkOf(PinCategory::Preview)) {
        previewSink->Stop();
    }
    const HRESULT sourceStopped = source ? source->Stop() : S_OK;
    const HRESULT hr = sourceGraph.Stop();
    return FAILED(sourceStopped) ? sourceStopped : hr;
}

double CaptureGraph::RunFor(DWORD milliseconds)
{
    const LONGLONG before = QpcNow();
    const HRESULT running = sourceGraph.Run();
    EXPECT_TRUE(SUCCEEDED(running)) << std::hex << running;
    Sleep(milliseconds);
    stopRequestedQpc = QpcNow();
    EXPECT_EQ(S_OK, Stop());
    return QpcSeconds(stopRequestedQpc - before);
}

} // namespace filtertest

#include "bench/soak/MediaSourceSoak.h"

#include <mfapi.h>
#include <mferror.h>

#include <algorithm>
#include <functional>

#include "bench/MediaSourceModule.h"
#include "bench/ProcessProbe.h"
#include "bench/TextFormat.h"
#include "camera/ImageLimits.h"
#include "camera/ImageRing.h"
#include "diagnostics/ProcessCounts.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace {

// A source answers Start, Stop and a sample request well within this; the
// first sample waits for the camera's first frame.
const DWORD kEventWaitMs = 5000;
const int kCountEvery = 10;
// One 3032 x 2016 RGB24 frame, as the filter's soak allows, and the image
// buffers of the controller's ring the warm-up may not have needed (see the
// header): the working set's slack.
const uint64_t kWorkingSetSlack =
    uint64_t{3032} * 2016 * 3 + uint64_t{ImageRing::kBuffers - 1} * kLargestImageBytes;

// A source started at position 0 with its one stream selected.
class StartedSource {
public:
    explicit StartedSource(ComPtr<IMFMediaSource> source) : m_source(std::move(source)) {}

    HRESULT Describe() { return m_source->CreatePresentationDescriptor(&m_descriptor); }

    // Start, the stream's announcement, one sample, Stop; every event drained.
    HRESULT Cycle()
    {
        PROPVARIANT position;
        PropVariantInit(&position);
        position.vt = VT_I8;
        position.hVal.QuadPart = 0;
        RETURN_IF_FAILED(m_descriptor->SelectStream(0));
        RETURN_IF_FAILED(m_source->Start(m_descriptor.Get(), &GUID_NULL, &position));
        m_startedSeen = false;
        RETURN_IF_FAILED(TakeStream());
        if (!m_startedSeen) {
            RETURN_IF_FAILED(WaitForMediaEvent(m_source.Get(), MESourceStarted, kEventWaitMs));
        }
        RETURN_IF_FAILED(m_stream->RequestSample(nullptr));
        RETURN_IF_FAILED(WaitForMediaEvent(m_stream.Get(), MEMediaSample, kEventWaitMs));
        RETURN_IF_FAILED(m_source->Stop());
        RETURN_IF_FAILED(WaitForMediaEvent(m_source.Get(), MESourceStopped, kEventWaitMs));
        RETURN_IF_FAILED(WaitForMediaEvent(m_stream.Get(), MEStreamStopped, kEventWaitMs));
        DrainMediaEvents(m_source.Get());
        DrainMediaEvents(m_stream.Get());
        return S_OK;
    }

    ~StartedSource()
    {
        if (m_source) {
            m_source->Shutdown();
        }
    }

private:
    // The stream from MENewStream (first start) or MEUpdatedStream (later),
    // noting an MESourceStarted met on the way.
    HRESULT TakeStream()
    {
        const ULONGLONG deadline = GetTickCount64() + kEventWaitMs;
        while (GetTickCount64() < deadline) {
            ComPtr<IMFMediaEvent> event;
            const HRESULT got = m_source->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event);
            if (got == MF_E_NO_EVENTS_AVAILABLE) {
                Sleep(1);
                continue;
            }
            RETURN_IF_FAILED(got);
            MediaEventType type = MEUnknown;
            event->GetType(&type);
            if (type == MENewStream || type == MEUpdatedStream) {
                PROPVARIANT value;
                PropVariantInit(&value);
                HRESULT hr = event->GetValue(&value);
                if (SUCCEEDED(hr)) {
                    hr = value.vt == VT_UNKNOWN && value.punkVal
                             ? value.punkVal->QueryInterface(IID_PPV_ARGS(m_stream.ReleaseAndGetAddressOf()))
                             : E_UNEXPECTED;
                    PropVariantClear(&value);
                }
                return hr;
            }
            if (type == MEError) {
                HRESULT status = E_FAIL;
                event->GetStatus(&status);
                return status;
            }
            m_startedSeen = m_startedSeen || type == MESourceStarted;
        }
        return MF_E_NO_EVENTS_AVAILABLE;
    }

    ComPtr<IMFMediaSource> m_source;
    ComPtr<IMFPresentationDescriptor> m_descriptor;
    ComPtr<IMFMediaStream> m_stream;
    bool m_startedSeen = false;
};

ObjectCounts CountNow(const MediaSourceModule& module)
{
    ObjectCounts counts;
    counts.handles = win::HandleCount();
    counts.threads = win::ThreadCount();
    counts.liveObjects = module.CanUnloadNow() ? 0 : 1;
    return counts;
}

// Runs cycle once to warm up, then cycles times, counting around them.
SourceCycleFigures CountCycles(const MediaSourceModule& module, int cycles, const std::function<HRESULT()>& cycle)
{
    SourceCycleFigures figures;
    CycleFigures& counts = figures.counts;
    HRESULT firstFailure = S_OK;
    const auto run = [&] {
        const HRESULT hr = cycle();
        if (FAILED(hr)) {
            ++counts.failedCalls;
            firstFailure = FAILED(firstFailure) ? firstFailure : hr;
        }
    };
    run();
    Sleep(500);
    counts.baseline = CountNow(module);
    counts.peak = counts.baseline;
    figures.workingSetBaseline = probe::WorkingSetBytes();
    figures.workingSetPeak = figures.workingSetBaseline;

    const ULONGLONG started = GetTickCount64();
    for (int i = 1; i <= cycles; ++i) {
        run();
        counts.cycles = i;
        if (i == cycles / 2) {
            figures.workingSetHalfway = probe::WorkingSetBytes();
        }
        if (i % kCountEvery == 0) {
            const ObjectCounts now = CountNow(module);
            counts.peak.handles = std::max(counts.peak.handles, now.handles);
            counts.peak.threads = std::max(counts.peak.threads, now.threads);
            counts.peak.liveObjects = std::max(counts.peak.liveObjects, now.liveObjects);
            figures.workingSetPeak = std::max(figures.workingSetPeak, probe::WorkingSetBytes());
        }
    }
    counts.seconds = (GetTickCount64() - started) / 1000.0;
    win::WaitForCounts(counts.baseline.handles, counts.baseline.threads, 5000);
    counts.final = CountNow(module);
    figures.workingSetFinal = probe::WorkingSetBytes();
    if (FAILED(firstFailure)) {
        counts.error = FailureText("a cycle", firstFailure);
    }
    return figures;
}

SourceCycleFigures StartStopCycles(const MediaSourceModule& module, int cycles)
{
    ComPtr<IMFMediaSource> source;
    if (const HRESULT created = module.Create(&source); FAILED(created)) {
        SourceCycleFigures figures;
        figures.counts.error = FailureText("creating the source", created);
        return figures;
    }
    StartedSource started(source);
    if (const HRESULT described = started.Describe(); FAILED(described)) {
        SourceCycleFigures figures;
        figures.counts.error = FailureText("CreatePresentationDescriptor", described);
        return figures;
    }
    return CountCycles(module, cycles, [&started] { return started.Cycle(); });
}

HRESULT CreateAndShutDown(const MediaSourceModule& module)
{
    ComPtr<IMFMediaSource> source;
    RETURN_IF_FAILED(module.Create(&source));
    ComPtr<IMFPresentationDescriptor> descriptor;
    const HRESULT described = source->CreatePresentationDescriptor(&descriptor);
    const HRESULT shut = source->Shutdown();
    return FAILED(described) ? described : shut;
}

std::string CountsJson(const ObjectCounts& counts)
{
    return FormatText("{\"handles\":%d,\"threads\":%d,\"live_objects\":%ld}", counts.handles, counts.threads,
                      counts.liveObjects);
}

double Mib(uint64_t bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

std::string PhaseJson(const SourceCycleFigures& f)
{
    return FormatText("{\"count\":%d,\"seconds\":%.1f,\"failed_calls\":%d,\"baseline\":", f.counts.cycles,
                      f.counts.seconds, f.counts.failedCalls) +
           CountsJson(f.counts.baseline) + ",\"peak\":" + CountsJson(f.counts.peak) +
           ",\"final\":" + CountsJson(f.counts.final) +
           FormatText(",\"working_set_mib\":{\"baseline\":%.1f,\"halfway\":%.1f,\"peak\":%.1f,\"final\":%.1f},"
                      "\"flat\":%s,\"error\":",
                      Mib(f.workingSetBaseline), Mib(f.workingSetHalfway), Mib(f.workingSetPeak),
                      Mib(f.workingSetFinal), SourceCyclesFlat(f) ? "true" : "false") +
           JsonErrorString(f.counts.error) + "}";
}

void PrintPhase(const char* title, const SourceCycleFigures& f, FILE* out)
{
    std::fprintf(out, "%s: %d in %.1f s, %d failed%s%s\n", title, f.counts.cycles, f.counts.seconds,
                 f.counts.failedCalls, f.counts.error.empty() ? "" : ", error: ", f.counts.error.c_str());
    std::fprintf(out, "  %-14s %10s %10s %10s %12s\n", "", "handles", "threads", "live obj.", "working set");
    const struct {
        const char* name;
        const ObjectCounts& counts;
        uint64_t workingSet;
    } rows[] = {{"after warm-up", f.counts.baseline, f.workingSetBaseline},
                {"peak", f.counts.peak, f.workingSetPeak},
                {"after last", f.counts.final, f.workingSetFinal}};
    for (const auto& row : rows) {
        std::fprintf(out, "  %-14s %10d %10d %10ld %8.1f MiB\n", row.name, row.counts.handles, row.counts.threads,
                     row.counts.liveObjects, Mib(row.workingSet));
    }
    std::fprintf(out, "  working set half-way through: %.1f MiB\n", Mib(f.workingSetHalfway));
    std::fprintf(out, "  flat: %s\n", SourceCyclesFlat(f) ? "yes" : "NO");
}

} // namespace

bool SourceCyclesFlat(const SourceCycleFigures& figures)
{
    return figures.counts.error.empty() && CountsFlat(figures.counts.baseline, figures.counts.final) &&
           figures.workingSetFinal <= figures.workingSetBaseline + kWorkingSetSlack;
}

MediaSourceSoakFigures RunMediaSourceSoak(int startStopCycles, int createShutdownCycles)
{
    MediaSourceSoakFigures figures;
    const MediaSourceModule module;
    if (FAILED(module.Ready())) {
        figures.startStop.counts.error = FailureText("loading LumoraMediaSource.dll", module.Ready());
        figures.createShutdown.counts.error = figures.startStop.counts.error;
        return figures;
    }
    if (startStopCycles > 0) {
        figures.startStop = StartStopCycles(module, startStopCycles);
    }
    if (createShutdownCycles > 0) {
        figures.createShutdown =
            CountCycles(module, createShutdownCycles, [&module] { return CreateAndShutDown(module); });
    }
    return figures;
}

void PrintMediaSourceSoakTable(const MediaSourceSoakFigures& figures, FILE* out)
{
    PrintPhase("Media source Start/Stop cycles (a sample each)", figures.startStop, out);
    PrintPhase("Media source create/shutdown cycles", figures.createShutdown, out);
}

std::string MediaSourceSoakJsonLine(const MediaSourceSoakFigures& figures)
{
    return "{\"soak\":1,\"media_source\":{\"start_stop\":" + PhaseJson(figures.startStop) +
           ",\"create_shutdown\":" + PhaseJson(figures.createShutdown) + "}}";
}

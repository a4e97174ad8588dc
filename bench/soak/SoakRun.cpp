#include "bench/soak/SoakRun.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/BenchGraph.h"
#include "bench/ProcessProbe.h"
#include "bench/SampleTimeline.h"
#include "bench/TextFormat.h"
#include "framework/UnknownBase.h"
#include "simcamera/SimControl.h"
#include "diagnostics/ProcessCounts.h"
#include "win/ComObject.h"

using Microsoft::WRL::ComPtr;

namespace {

const int kFrameWidth = 3032;
const int kFrameHeight = 2016;
const uint64_t kFrameBytes = uint64_t{kFrameWidth} * kFrameHeight * 3;
// How long the pins may take to deliver their first camera frame.
const DWORD kFirstFrameWaitMs = 10000;
// How often the working set is sampled while the pins stream.
const DWORD kWorkingSetIntervalMs = 5000;
// Counts are read (a walk of the system's handle list) every this many cycles.
const int kCountEvery = 10;

ObjectCounts CountNow()
{
    ObjectCounts counts;
    counts.handles = win::HandleCount();
    counts.threads = win::ThreadCount();
    counts.liveObjects = liveObjectCount;
    return counts;
}

void KeepPeak(const ObjectCounts& now, ObjectCounts* peak)
{
    peak->handles = std::max(peak->handles, now.handles);
    peak->threads = std::max(peak->threads, now.threads);
    peak->liveObjects = std::max(peak->liveObjects, now.liveObjects);
}

int64_t Qpc()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double QpcMinutes(int64_t ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / frequency.QuadPart / 60.0;
}

// The samples a pin delivered between from and to (QueryPerformanceCounter),
// against the camera's sequence numbers in their stamps.
PinFigures Tally(const std::vector<SampleRecord>& records, int64_t from, int64_t to)
{
    PinFigures pin;
    uint32_t previous = 0;
    for (const SampleRecord& record : records) {
        if (record.receivedQpc < from || record.receivedQpc >= to) {
            continue;
        }
        if (!record.stamped) {
            ++pin.unstamped;
            continue;
        }
        ++pin.samples;
        if (previous != 0 && record.sequence <= previous) {
            ++pin.duplicates;
            continue;
        }
        if (previous != 0) {
            pin.missing += static_cast<long>(record.sequence - previous - 1);
        }
        previous = record.sequence;
    }
    return pin;
}

// Both pins into sample grabbers whose timelines reserve room for
// expectedSamples each, on the graph's default clock.
struct SoakGraph {
    explicit SoakGraph(size_t expectedSamples)
        : capture(win::MakeComObject<SampleTimeline>(kFrameWidth, kFrameHeight, expectedSamples)),
          preview(win::MakeComObject<SampleTimeline>(kFrameWidth, kFrameHeight, expectedSamples))
    {
        if (!capture || !preview) {
            error = "out of memory";
            return;
        }
        graph = std::make_unique<BenchGraph>(capture.Get(), preview.Get(), true);
        if (FAILED(graph->Built())) {
            error = FailureText(graph->FailedStep().c_str(), graph->Built());
        }
    }

    const ComPtr<SampleTimeline> capture;
    const ComPtr<SampleTimeline> preview;
    std::unique_ptr<BenchGraph> graph; // declared last: goes first
    std::string error;                 // empty when the graph is built
};

} // namespace

bool CountsFlat(const ObjectCounts& baseline, const ObjectCounts& final)
{
    return final.handles - baseline.handles <= win::kRuntimeHandleSlack && final.threads <= baseline.threads &&
           final.liveObjects <= baseline.liveObjects;
}

bool WorkingSetFlat(const StreamFigures& figures)
{
    return figures.workingSetEnd <= figures.workingSetStart + kFrameBytes;
}

long FramesLost(const StreamFigures& figures)
{
    // A frame the camera produced while the filter was still busy with the
    // one before is missing from both pins' stamps: counted there, not again.
    return figures.capture.missing + figures.preview.missing;
}

CycleFigures RunCycles(int cycles)
{
    CycleFigures figures;
    SoakGraph soak(4096);
    if (!soak.error.empty()) {
        figures.error = soak.error;
        return figures;
    }
    BenchGraph& graph = *soak.graph;
    const auto cycle = [&graph] {
        return int{FAILED(graph.Pause())} + int{FAILED(graph.Run())} + int{FAILED(graph.Stop())};
    };
    // The first cycle loads and starts what the process keeps from then on
    // (the camera library's state, the runtime's thread pools).
    figures.failedCalls += cycle();
    Sleep(500);
    figures.baseline = CountNow();
    figures.peak = figures.baseline;

    const int64_t started = Qpc();
    for (int i = 1; i <= cycles; ++i) {
        figures.failedCalls += cycle();
        figures.cycles = i;
        if (i % kCountEvery == 0) {
            const ObjectCounts now = CountNow();
            KeepPeak(now, &figures.peak);
            if (i % 100 == 0) {
                std::fprintf(stderr, "cycle %d: %d handles, %d threads, %ld live objects\n", i, now.handles,
                             now.threads, now.liveObjects);
            }
        }
    }
    figures.seconds = QpcMinutes(Qpc() - started) * 60;
    // A thread that was joined may still be leaving the system's lists.
    win::WaitForCounts(figures.baseline.handles, figures.baseline.threads, 5000);
    figures.final = CountNow();
    return figures;
}

StreamFigures RunStream(double minutes)
{
    StreamFigures figures;
    // Room for every sample of the window at 30 per second, and some.
    SoakGraph soak(static_cast<size_t>(minutes * 60 * 36) + 1024);
    if (!soak.error.empty()) {
        figures.error = soak.error;
        return figures;
    }
    BenchGraph& graph = *soak.graph;
    SampleTimeline* const capture = soak.capture.Get();
    SampleTimeline* const preview = soak.preview.Get();
    if (const HRESULT paused = graph.Pause(); FAILED(paused)) {
        figures.error = FailureText("Pause", paused);
        return figures;
    }
    if (const HRESULT running = graph.Run(); FAILED(running)) {
        figures.error = FailureText("Run", running);
        return figures;
    }
    const DWORD waitStart = GetTickCount();
    while (!(capture->SawStampedSample() && preview->SawStampedSample()) &&
           GetTickCount() - waitStart < kFirstFrameWaitMs) {
        Sleep(10);
    }

    SimCounters start = {};
    SimGetCounters(&start);
    const int64_t from = Qpc();
    figures.workingSetStart = probe::WorkingSetBytes();
    figures.workingSetMax = figures.workingSetStart;
    const ULONGLONG windowEnd = GetTickCount64() + static_cast<ULONGLONG>(minutes * 60000);
    for (ULONGLONG now = GetTickCount64(); now < windowEnd; now = GetTickCount64()) {
        Sleep(static_cast<DWORD>(std::min<ULONGLONG>(windowEnd - now, kWorkingSetIntervalMs)));
        figures.workingSetMax = std::max(figures.workingSetMax, probe::WorkingSetBytes());
    }
    figures.workingSetEnd = probe::WorkingSetBytes();
    const int64_t to = Qpc();
    SimCounters end = {};
    SimGetCounters(&end);
    if (const HRESULT stopped = graph.Stop(); FAILED(stopped)) {
        figures.error = FailureText("Stop", stopped);
    }

    figures.minutes = QpcMinutes(to - from);
    figures.produced = end.produced - start.produced;
    figures.skipped = end.skipped - start.skipped;
    figures.capture = Tally(capture->Snapshot(), from, to);
    figures.preview = Tally(preview->Snapshot(), from, to);
    return figures;
}

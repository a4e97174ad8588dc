#include "bench/BenchRun.h"

#include <cstdio>
#include <map>
#include <string>

#include "bench/AllocatorCommit.h"
#include "bench/BenchGraph.h"
#include "bench/CopyFloor.h"
#include "bench/ProcessProbe.h"
#include "bench/SampleTimeline.h"
#include "camera/CameraConfig.h"
#include "camera/FrameCopy.h"
#include "camera/FramePathCounters.h"
#include "camera/OpenTimeline.h"
#include "filter/CameraFilter.h"
#include "simcamera/SimControl.h"
#include "win/ComObject.h"

using Microsoft::WRL::ComPtr;

namespace {

// How long the pins may take to deliver their first camera frame before the
// window opens anyway (the run then reports the pin's figures as they are).
const DWORD kFirstFrameWaitMs = 5000;

std::string HresultText(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

int64_t Qpc()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// What the process and the camera had done at one moment.
struct Mark {
    std::map<DWORD, double> threadCpuMs;
    double processCpuMs = 0;
    SimCounters camera = {};
    LONG handled = 0;
    uint64_t cameraBytes = 0; // FramePathCopies()
    uint64_t sampleBytes = 0;
    int64_t qpc = 0;
};

// The window's start: the thread times first and the clock last, so that
// taking the marks stays out of the window's process time.
Mark OpenWindow(CameraFilter* filter)
{
    Mark mark;
    mark.threadCpuMs = probe::ThreadCpuMs();
    SimGetCounters(&mark.camera);
    mark.handled = filter->Camera()->m_FramesReceived.load();
    mark.cameraBytes = FramePathCopies().cameraBytes.load(std::memory_order_relaxed);
    mark.sampleBytes = FramePathCopies().sampleBytes.load(std::memory_order_relaxed);
    mark.processCpuMs = probe::ProcessCpuMs();
    mark.qpc = Qpc();
    return mark;
}

Mark CloseWindow(CameraFilter* filter)
{
    Mark mark;
    mark.qpc = Qpc();
    mark.processCpuMs = probe::ProcessCpuMs();
    mark.handled = filter->Camera()->m_FramesReceived.load();
    mark.cameraBytes = FramePathCopies().cameraBytes.load(std::memory_order_relaxed);
    mark.sampleBytes = FramePathCopies().sampleBytes.load(std::memory_order_relaxed);
    SimGetCounters(&mark.camera);
    mark.threadCpuMs = probe::ThreadCpuMs();
    return mark;
}

// Stores the resolution index in the settings file the filter reads (the
// bench's private TMP folder), keeping the file's other values.
HRESULT StoreResolution(int resolution)
{
    CameraConfig record;
    record.LoadFromFile();
    record.m_Format.m_Resolution = static_cast<uint8_t>(resolution);
    return record.Store();
}

// The window's CPU by thread role: the pins' workers (the threads their
// samples arrived on), the controller's capture thread, this thread, and the
// rest together (the simulated camera's producer, the graph's and the
// runtime's threads).
std::vector<ThreadShare> ShareByRole(const Mark& start, const Mark& end, DWORD captureWorker, DWORD previewWorker,
                                     DWORD cameraThread)
{
    const auto named = [](const char* role) {
        ThreadShare share;
        share.role = role;
        return share;
    };
    ThreadShare capture = named("capture_worker");
    ThreadShare preview = named("preview_worker");
    ThreadShare camera = named("camera_capture_thread");
    ThreadShare main = named("bench_main");
    ThreadShare other = named("other");
    ThreadShare busiestOther = named("other_busiest");
    const DWORD self = GetCurrentThreadId();
    for (const auto& [id, endMs] : end.threadCpuMs) {
        const auto before = start.threadCpuMs.find(id);
        const double used = endMs - (before != start.threadCpuMs.end() ? before->second : 0);
        ThreadShare* share = &other;
        if (id == captureWorker) {
            share = &capture;
        } else if (id == previewWorker) {
            share = &preview;
        } else if (id == cameraThread) {
            share = &camera;
        } else if (id == self) {
            share = &main;
        } else if (used > busiestOther.cpuMs) {
            busiestOther.threads = 1;
            busiestOther.cpuMs = used;
        }
        ++share->threads;
        share->cpuMs += used;
    }
    return {capture, preview, camera, main, other, busiestOther};
}

// Each busy thread's CPU per unit of its work: a worker's per sample its pin
// delivered, the capture thread's per camera frame it handled.
void AttachWorkUnits(RunResult& result)
{
    for (ThreadShare& share : result.threads) {
        double units = 0;
        if (share.role == "capture_worker") {
            units = static_cast<double>(result.capture.delivered);
            share.unit = "capture sample";
        } else if (share.role == "preview_worker") {
            units = static_cast<double>(result.preview.delivered);
            share.unit = "preview sample";
        } else if (share.role == "camera_capture_thread") {
            units = static_cast<double>(result.cameraFrames);
            share.unit = "camera frame";
        }
        if (units > 0) {
            share.perUnitMs = share.cpuMs / units;
        }
    }
}

// The allocators' part of the Pause, timed from outside on new allocators
// with the pins' properties (AllocatorCommit.h), both pins summed.
void TimeAllocators(const BenchGraph& graph, PauseSteps* steps)
{
    double commitMs = 0;
    double touchMs = 0;
    for (IMemAllocator* allocator : {graph.CaptureAllocator(), graph.PreviewAllocator()}) {
        AllocatorTimes times;
        if (!allocator) {
            continue;
        }
        if (!TimeAllocatorCommit(allocator, &times)) {
            return;
        }
        commitMs += times.commitMs;
        touchMs += times.firstTouchMs;
    }
    steps->allocatorCommitMs = commitMs;
    steps->allocatorFirstTouchMs = touchMs;
}

// The open's steps, each from the end of the one before, from the
// controller's timeline; pauseQpc and pausedQpc: when Pause was called and
// returned.
void ReadOpenSteps(const stats::RunClock& clock, int64_t pausedQpc, PauseSteps* steps)
{
    const OpenTimeline& timeline = LastOpenTimeline();
    const auto span = [&](int64_t from, int64_t to) {
        return from != 0 && to != 0 ? clock.Ms(to - from) : stats::kMissing;
    };
    const int64_t began = timeline.openBegan.load();
    const int64_t thread = timeline.captureThreadReady.load();
    const int64_t init = timeline.cameraInitDone.load();
    const int64_t sent = timeline.settingsSent.load();
    const int64_t images = timeline.imagesReady.load();
    const int64_t saved = timeline.settingsSaved.load();
    const int64_t playing = timeline.playing.load();
    steps->beforeOpenMs = span(clock.pauseQpc, began);
    steps->captureThreadMs = span(began, thread);
    steps->cameraInitMs = span(thread, init);
    steps->settingsSentMs = span(init, sent);
    steps->imageBuffersMs = span(sent, images);
    steps->settingsSaveMs = span(images, saved);
    steps->playMs = span(saved, playing);
    steps->afterPlayMs = span(playing, pausedQpc);
    steps->firstFrameMs = span(playing, timeline.firstFrame.load());
}

// What the run measures and what it is held to, from the options: each
// pin's format (an unset one keeps the pin's own) and the memory budget.
void DescribeRun(const BenchOptions& options, RunResult* result, PinFormat* captureFormat, PinFormat* previewFormat)
{
    result->withClock = options.withClock;
    result->resolution = options.resolution;
    result->captureOnly = options.captureOnly;
    if (options.fullSizeCapture) {
        result->captureWidth = kImageWidth;
        result->captureHeight = kImageHeight;
        *captureFormat = {true, PixelFormat::Rgb24, kImageWidth, kImageHeight};
    } else if (options.ladderEntry) {
        result->ladderEntry = true;
        result->format = options.format;
        result->captureWidth = result->previewWidth = options.width;
        result->captureHeight = result->previewHeight = options.height;
        *captureFormat = *previewFormat = {true, options.format, options.width, options.height};
    }
    result->memoryBudget =
        options.captureOnly
            ? stats::MemoryBudgetBytes(1, kBuffersPerPin, result->CaptureFrameBytes(), result->ImageBytes())
            : stats::MemoryBudgetBytes(kBuffersPerPin, result->PreviewFrameBytes(), result->CaptureFrameBytes(),
                                       result->ImageBytes());
}

// Builds the graph, starts it as a capture application does, waits for
// both pins' first frames, measures the window between *start and *end and
// stops the graph. False, with result->error, when the graph fails.
bool MeasureGraph(const BenchOptions& options, SampleTimeline* captureTimeline, SampleTimeline* previewTimeline,
                  const PinFormat& captureFormat, const PinFormat& previewFormat, stats::RunClock* clock, Mark* start,
                  Mark* end, RunResult* result)
{
    BenchGraph graph(captureTimeline, previewTimeline, options.withClock, captureFormat, previewFormat);
    if (FAILED(graph.Built())) {
        result->error = "building the graph failed at " + graph.FailedStep() + " (" + HresultText(graph.Built()) + ")";
        return false;
    }
    TimeAllocators(graph, &result->pauseSteps);
    result->captureSharesAllocator = graph.CaptureSharesAllocator();
    result->previewSharesAllocator = graph.PreviewSharesAllocator();
    const ComPtr<IReferenceClock> referenceClock = graph.Clock();
    captureTimeline->SetReferenceClock(referenceClock.Get());
    if (previewTimeline) {
        previewTimeline->SetReferenceClock(referenceClock.Get());
    }

    // As a capture application starts a graph: Pause, then Run as soon as
    // Pause returns.
    clock->pauseQpc = Qpc();
    HRESULT hr = graph.Pause();
    const int64_t paused = Qpc();
    if (FAILED(hr) || FAILED(hr = graph.Run())) {
        result->error = "starting the graph failed (" + HresultText(hr) + ")";
        return false;
    }
    const int64_t running = Qpc();
    clock->hasStreamBase = graph.StreamTimeBase(&clock->streamBase);
    result->pauseCallMs = clock->Ms(paused - clock->pauseQpc);
    result->runCallMs = clock->Ms(running - paused);
    REFERENCE_TIME streamNow = 0;
    const int64_t readAt = Qpc();
    if (graph.StreamTime(&streamNow)) {
        // Stream time 0 fell streamNow before readAt.
        result->streamZeroAfterRunMs = clock->Ms(readAt - running) - static_cast<double>(streamNow) / 10000.0;
    }
    const DWORD waitStart = GetTickCount();
    while ((!captureTimeline->SawStampedSample() || (previewTimeline && !previewTimeline->SawStampedSample())) &&
           GetTickCount() - waitStart < kFirstFrameWaitMs) {
        Sleep(2);
    }

    *start = OpenWindow(graph.Filter());
    Sleep(static_cast<DWORD>(options.seconds) * 1000);
    *end = CloseWindow(graph.Filter());
    // Read before the graph lets its buffers go.
    result->peakWorkingSet = probe::PeakWorkingSetBytes();
    // The open's first frame came long before.
    ReadOpenSteps(*clock, paused, &result->pauseSteps);
    // Thread ids are only meaningful while the threads live.
    const DWORD cameraThread = probe::CameraCaptureThreadId();
    graph.Stop();

    clock->windowStart = start->qpc;
    clock->windowEnd = end->qpc;
    result->capture = stats::SummarisePin(captureTimeline->Snapshot(), *clock);
    if (previewTimeline) {
        result->preview = stats::SummarisePin(previewTimeline->Snapshot(), *clock);
    }
    result->threads = ShareByRole(*start, *end, result->capture.threadId, result->preview.threadId, cameraThread);
    return true;
}

// The floors, measured with the graph gone, on the same machine state: the
// cache-cold memcpy that the frame path's copies are measured in (the
// targets' unit) and the hot two-buffer one beside it; then the streaming
// copy against memcpy, cache-cold, for a frame and for a whole image (what
// the frame path's CopyFrameBytes was chosen by).
void MeasureCopyFloors(RunResult* result)
{
    result->memcpyColdMs = MedianCopyMs(kFrameBytes, kFootprintBuffers, kFloorCopies, PlatformMemcpy);
    result->copyMs = result->memcpyColdMs;
    result->hotCopyMs = MedianCopyMs(kFrameBytes, kHotBuffers, kFloorCopies);
    result->streamingColdMs = MedianCopyMs(kFrameBytes, kFootprintBuffers, kFloorCopies, StreamingCopy);
    result->memcpyColdImageMs = MedianCopyMs(kImageBytes, kImageFootprintBuffers, kFloorCopies, PlatformMemcpy);
    result->streamingColdImageMs = MedianCopyMs(kImageBytes, kImageFootprintBuffers, kFloorCopies, StreamingCopy);
}

// The window's figures from its two marks: CPU per frame, the copies the
// frame path made, and both in units of the copy floors.
void DeriveFigures(const stats::RunClock& clock, const Mark& start, const Mark& end, RunResult* result)
{
    result->seconds = clock.WindowSeconds();
    result->cpuMs = end.processCpuMs - start.processCpuMs;
    result->delivered = result->capture.delivered + result->preview.delivered;
    result->cpuMsPerFrame = result->delivered ? result->cpuMs / static_cast<double>(result->delivered) : stats::kMissing;
    result->cameraFrames = end.handled - start.handled;
    result->cameraProduced = end.camera.produced - start.camera.produced;
    result->cameraSkipped = end.camera.skipped - start.camera.skipped;
    AttachWorkUnits(*result);
    result->requiredCopies = stats::RequiredCopiesPerDelivered(
        static_cast<uint64_t>(result->cameraFrames), result->capture.delivered, result->preview.delivered,
        result->ImageBytes(), kFrameBytes, result->CaptureFrameBytes());
    const double floorMs = result->requiredCopies * result->copyMs;
    result->cpuToCopiesRatio = floorMs > 0 ? result->cpuMsPerFrame / floorMs : stats::kMissing;

    result->cameraCopiedBytes = end.cameraBytes - start.cameraBytes;
    result->sampleCopiedBytes = end.sampleBytes - start.sampleBytes;
    const uint64_t copied = result->cameraCopiedBytes + result->sampleCopiedBytes;
    result->measuredCopies = stats::MeasuredCopiesPerDelivered(copied, result->DeliveredBytes());
    const double measuredFloorMs = stats::MeasuredCopyMsPerDelivered(copied, result->delivered, kFrameBytes, result->copyMs);
    result->cpuToMeasuredCopiesRatio =
        measuredFloorMs > 0 ? result->cpuMsPerFrame / measuredFloorMs : stats::kMissing;
    // What each delivered sample's conversion read and wrote, in cache-cold
    // copies: the frame floor scaled by bytes.
    result->cpuToWindowCopies = stats::CpuInCopies(result->cpuMsPerFrame, result->DeliveredWindowBytes(),
                                                  result->delivered, kFrameBytes, result->copyMs);
    result->cpuToFrameCopies = stats::CpuInCopies(result->cpuMsPerFrame, result->DeliveredBytes(), result->delivered,
                                                 kFrameBytes, result->copyMs);
    for (const ThreadShare& share : result->threads) {
        if (share.role == "capture_worker") {
            result->captureFillWindowCopies = result->FillWindowCopies(share);
        } else if (share.role == "preview_worker") {
            result->previewFillWindowCopies = result->FillWindowCopies(share);
        }
    }
}

} // namespace

RunResult RunBenchmark(int run, const BenchOptions& options)
{
    RunResult result;
    result.run = run;
    PinFormat captureFormat;
    PinFormat previewFormat;
    DescribeRun(options, &result, &captureFormat, &previewFormat);
    // Before the graph: the filter's pins and the controller read the
    // resolution index from the settings file when they are made.
    const HRESULT stored = StoreResolution(options.resolution);
    if (FAILED(stored)) {
        result.error = "storing the resolution index in the settings file failed (" + HresultText(stored) + ")";
        return result;
    }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    stats::RunClock clock;
    clock.frequency = frequency.QuadPart;

    // Room for a generous rate, so that the sinks do not reallocate while
    // the pins stream.
    const size_t expected = static_cast<size_t>(options.seconds) * 200 + 2000;
    // A converted or scaled frame has lost the camera's stamp: its frame is
    // the one the pin's reader delivered.
    const SampleTimeline::FrameIdentity identity =
        result.Converted() ? SampleTimeline::FrameIdentity::Reader : SampleTimeline::FrameIdentity::Stamp;
    const ComPtr<SampleTimeline> captureTimeline =
        win::MakeComObject<SampleTimeline>(result.captureWidth, result.captureHeight, expected, identity);
    const ComPtr<SampleTimeline> previewTimeline =
        options.captureOnly
            ? nullptr
            : win::MakeComObject<SampleTimeline>(result.previewWidth, result.previewHeight, expected, identity);
    if (!captureTimeline || (!options.captureOnly && !previewTimeline)) {
        result.error = "no memory for the sample timelines";
        return result;
    }
    Mark start;
    Mark end;
    result.startWorkingSet = probe::WorkingSetBytes();
    // The budget is what the graph may add to what the process held before
    // it (Wine's and the program's own 18-22 MiB, which the 10 % margin of a
    // full-size frame's budget hides but a 1280 x 720 one's does not).
    result.memoryBudget += result.startWorkingSet;
    if (!MeasureGraph(options, captureTimeline.Get(), previewTimeline.Get(), captureFormat, previewFormat, &clock,
                      &start, &end, &result)) {
        return result;
    }
    MeasureCopyFloors(&result);
    DeriveFigures(clock, start, end, &result);
    return result;
}

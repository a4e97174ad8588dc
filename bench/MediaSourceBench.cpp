#include "bench/MediaSourceBench.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <cmath>
#include <vector>

#include "bench/CopyFloor.h"
#include "bench/MediaSourceModule.h"
#include "bench/ProcessProbe.h"
#include "bench/RunResult.h"
#include "bench/RunStatistics.h"
#include "bench/TextFormat.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace {

const UINT32 kWidth = 1280;
const UINT32 kHeight = 720;
const double kFramesPerSecondTarget = 29;
// The first sample waits for the camera to open and deliver.
const DWORD kFirstSampleMs = 10000;
// A sample time further than this from now is no arrival time.
const double kLatencyLimitMs = 10000;

// A figure for the JSON line: null when missing.
std::string JsonNumber(double value)
{
    return std::isnan(value) ? std::string("null") : FormatText("%.2f", value);
}

// The performance counter now, in 100-ns units (the source's sample times).
LONGLONG CounterNowIn100ns()
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart / frequency.QuadPart * 10000000 + now.QuadPart % frequency.QuadPart * 10000000 /
                                                            frequency.QuadPart;
}

// Selects the source's own NV12 1280 x 720 type on the reader's video stream.
HRESULT SelectNv12(IMFSourceReader* reader)
{
    for (DWORD index = 0;; ++index) {
        ComPtr<IMFMediaType> type;
        RETURN_IF_FAILED(reader->GetNativeMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, index, &type));
        GUID subtype = GUID_NULL;
        UINT32 width = 0;
        UINT32 height = 0;
        if (SUCCEEDED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) && subtype == MFVideoFormat_NV12 &&
            SUCCEEDED(MFGetAttributeSize(type.Get(), MF_MT_FRAME_SIZE, &width, &height)) && width == kWidth &&
            height == kHeight) {
            return reader->SetCurrentMediaType(MF_SOURCE_READER_FIRST_VIDEO_STREAM, nullptr, type.Get());
        }
    }
}

// One synchronous read: S_OK with the sample's time, S_FALSE for a read
// without a sample.
HRESULT ReadOne(IMFSourceReader* reader, LONGLONG* time)
{
    DWORD stream = 0;
    DWORD flags = 0;
    ComPtr<IMFSample> sample;
    RETURN_IF_FAILED(reader->ReadSample(MF_SOURCE_READER_FIRST_VIDEO_STREAM, 0, &stream, &flags, time, &sample));
    if (flags & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_ENDOFSTREAM)) {
        return MF_E_END_OF_STREAM;
    }
    return sample ? S_OK : S_FALSE;
}

HRESULT Measure(IMFSourceReader* reader, int seconds, MediaSourceRun* result, std::vector<double>* latencies)
{
    RETURN_IF_FAILED(SelectNv12(reader));
    LONGLONG time = 0;
    const ULONGLONG firstDeadline = GetTickCount64() + kFirstSampleMs;
    for (HRESULT read = S_FALSE; read != S_OK;) {
        read = ReadOne(reader, &time);
        RETURN_IF_FAILED(read);
        if (read != S_OK && GetTickCount64() > firstDeadline) {
            return MF_E_NO_EVENTS_AVAILABLE;
        }
    }
    const double cpuStart = probe::ProcessCpuMs();
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = start + static_cast<ULONGLONG>(seconds) * 1000;
    ULONGLONG now = start;
    while (now < end) {
        const HRESULT read = ReadOne(reader, &time);
        const LONGLONG returned = CounterNowIn100ns();
        now = GetTickCount64();
        RETURN_IF_FAILED(read);
        if (read != S_OK) {
            ++result->gaps;
            continue;
        }
        ++result->frames;
        const double latencyMs = (returned - time) / 10000.0;
        if (latencyMs >= 0 && latencyMs <= kLatencyLimitMs) {
            latencies->push_back(latencyMs);
        } else {
            ++result->latencyMissing;
        }
    }
    result->cpuMs = probe::ProcessCpuMs() - cpuStart;
    result->seconds = (now - start) / 1000.0;
    return S_OK;
}

} // namespace

MediaSourceRun RunMediaSourceBench(int run, int seconds)
{
    MediaSourceRun result;
    result.run = run;
    std::vector<double> latencies;
    {
        const MediaSourceModule module;
        ComPtr<IMFMediaSource> source;
        if (const HRESULT created = module.Create(&source); FAILED(created)) {
            result.error = FailureText("creating the source", created);
            return result;
        }
        ComPtr<IMFSourceReader> reader;
        HRESULT hr = MFCreateSourceReaderFromMediaSource(source.Get(), nullptr, &reader);
        if (FAILED(hr)) {
            result.error = FailureText("MFCreateSourceReaderFromMediaSource", hr);
        } else if (FAILED(hr = Measure(reader.Get(), seconds, &result, &latencies))) {
            result.error = FailureText("reading NV12 1280 x 720", hr);
        }
        reader.Reset();
        source->Shutdown();
    }
    if (result.frames > 0 && result.seconds > 0) {
        result.framesPerSecond = result.frames / result.seconds;
        result.cpuMsPerFrame = result.cpuMs / result.frames;
    }
    if (!result.error.empty()) {
        return result;
    }
    // After the source is gone: the floor is not measured beside it.
    const uint64_t windowBytes = stats::SourceWindowBytes(kImageWidth, kImageHeight, kWidth, kHeight);
    result.windowCopyMs = MedianCopyMs(static_cast<size_t>(windowBytes), kFootprintBuffers, kFloorCopies);
    if (result.windowCopyMs > 0) {
        result.cpuInWindowCopies = result.cpuMsPerFrame / result.windowCopyMs;
    }
    if (!latencies.empty()) {
        result.latencyMedianMs = stats::Median(latencies);
        result.latencyP99Ms = stats::Percentile(latencies, 99);
    }
    return result;
}

void PrintMediaSourceTable(const MediaSourceRun& r, FILE* out)
{
    std::fprintf(out, "Media source run %d: NV12 1280 x 720 through the source reader, %.1f s%s%s\n", r.run,
                 r.seconds, r.error.empty() ? "" : ", error: ", r.error.c_str());
    std::fprintf(out, "  frames %ld (%.2f per second; target %.0f: %s), reads without a sample %ld\n", r.frames,
                 r.framesPerSecond, kFramesPerSecondTarget, r.framesPerSecond >= kFramesPerSecondTarget ? "met" : "NOT met",
                 r.gaps);
    std::fprintf(out, "  CPU %.2f ms per frame = %.2f cache-cold copies of its source window (%.2f ms each)\n",
                 r.cpuMsPerFrame, r.cpuInWindowCopies, r.windowCopyMs);
    std::fprintf(out, "  latency, camera frame arrival -> ReadSample returned: median %.2f ms, p99 %.2f ms"
                      " (%ld samples without an arrival time)\n",
                 r.latencyMedianMs, r.latencyP99Ms, r.latencyMissing);
}

std::string MediaSourceJsonLine(const MediaSourceRun& r)
{
    return FormatText("{\"media_source\":1,\"run\":%d,\"format\":\"nv12\",\"width\":%u,\"height\":%u,"
                      "\"seconds\":%.2f,\"frames\":%ld,\"reads_without_sample\":%ld,\"fps\":%.2f,\"fps_target\":%.0f,",
                      r.run, kWidth, kHeight, r.seconds, r.frames, r.gaps, r.framesPerSecond,
                      kFramesPerSecondTarget) +
           FormatText("\"cpu_ms_per_frame\":%.3f,\"window_copy_ms\":%.3f,\"cpu_in_window_copies\":%.2f,"
                      "\"latency_ms\":{\"from\":\"sample time (camera frame arrival)\",\"median\":",
                      r.cpuMsPerFrame, r.windowCopyMs, r.cpuInWindowCopies) +
           JsonNumber(r.latencyMedianMs) + ",\"p99\":" + JsonNumber(r.latencyP99Ms) +
           FormatText(",\"without_time\":%ld},\"error\":", r.latencyMissing) + JsonErrorString(r.error) + "}";
}

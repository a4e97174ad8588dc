#include "bench/BenchReport.h"

#include <cmath>

#include "bench/BenchTargets.h"
#include "bench/TextFormat.h"

namespace {

// A measurement for the table: "-" when missing.
std::string Cell(double value, const char* format = "%.2f")
{
    return std::isfinite(value) ? FormatText(format, value) : std::string("-");
}

double Mib(uint64_t bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// Builds one JSON object, member by member.
class JsonObject {
public:
    JsonObject& Number(const char* key, double value, int decimals = 3)
    {
        if (!std::isfinite(value)) {
            return Raw(key, "null");
        }
        return Raw(key, FormatText("%.*f", decimals, value));
    }
    JsonObject& Count(const char* key, uint64_t value)
    {
        return Raw(key, FormatText("%llu", static_cast<unsigned long long>(value)));
    }
    JsonObject& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
    JsonObject& String(const char* key, const std::string& value)
    {
        std::string quoted = "\"";
        for (char c : value) {
            if (c == '"' || c == '\\') {
                quoted += '\\';
                quoted += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                quoted += FormatText("\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
            } else {
                quoted += c;
            }
        }
        return Raw(key, quoted + "\"");
    }
    JsonObject& Object(const char* key, const JsonObject& value) { return Raw(key, value.Text()); }
    JsonObject& Raw(const char* key, const std::string& value)
    {
        m_text += (m_text.empty() ? "" : ",") + std::string("\"") + key + "\":" + value;
        return *this;
    }
    std::string Text() const { return "{" + m_text + "}"; }

private:
    std::string m_text;
};

JsonObject PinJson(const stats::PinFigures& pin, bool sharesAllocator)
{
    JsonObject json;
    json.Count("delivered", pin.delivered)
        .Number("fps", pin.framesPerSecond, 2)
        .Count("stamped", pin.stamped)
        .Count("with_times", pin.withTimes)
        .Count("distinct_frames", pin.distinctFrames)
        .Count("duplicates", pin.duplicates)
        .Count("missed_frames", pin.missedFrames)
        .Number("latency_median_ms", pin.latencyMedianMs)
        .Number("latency_p99_ms", pin.latencyP99Ms)
        .Number("fresh_latency_median_ms", pin.freshLatencyMedianMs)
        .Number("arrival_latency_median_ms", pin.arrivalLatencyMedianMs)
        .Number("arrival_latency_p99_ms", pin.arrivalLatencyP99Ms)
        .Number("interval_median_ms", pin.intervalMedianMs)
        .Number("interval_p99_ms", pin.intervalP99Ms)
        .Number("pause_to_first_stamped_ms", pin.firstStampedMs)
        .Number("pause_to_first_sample_ms", pin.firstSampleMs)
        .Count("samples_before_first_stamped", pin.blackBeforeFirstStamped)
        .Number("gap_median_ms", pin.gapMedianMs)
        .Number("gap_max_ms", pin.gapMaxMs)
        .Number("lead_median_ms", pin.leadMedianMs)
        .Number("lead_p99_ms", pin.leadP99Ms)
        .Bool("grabber_uses_pin_allocator", sharesAllocator);
    return json;
}

void PrintPinRow(std::FILE* out, const char* label, double capture, double preview, const char* format = "%.2f")
{
    std::fprintf(out, "  %-38s %12s %12s\n", label, Cell(capture, format).c_str(), Cell(preview, format).c_str());
}

// Each pin's figures, side by side.
void PrintPinRows(const RunResult& result, std::FILE* out)
{
    const stats::PinFigures& c = result.capture;
    const stats::PinFigures& p = result.preview;
    std::fprintf(out, "  %-38s %12s %12s\n", "", "~Capture", "Preview");
    PrintPinRow(out, "delivered samples", double(c.delivered), double(p.delivered), "%.0f");
    PrintPinRow(out, "frames per second", c.framesPerSecond, p.framesPerSecond);
    std::fprintf(out, "  %s\n",
                 result.Converted() ? "frames told by the pin's reader (the controller's numbering and arrival)"
                                    : "frames told by the camera's stamp");
    PrintPinRow(out, "stamped samples", double(c.stamped), double(p.stamped), "%.0f");
    PrintPinRow(out, "  distinct camera frames", double(c.distinctFrames), double(p.distinctFrames), "%.0f");
    PrintPinRow(out, "  duplicates (same frame again)", double(c.duplicates), double(p.duplicates), "%.0f");
    PrintPinRow(out, "  camera frames skipped by the pin", double(c.missedFrames), double(p.missedFrames), "%.0f");
    PrintPinRow(out, "samples with time stamps", double(c.withTimes), double(p.withTimes), "%.0f");
    PrintPinRow(out, "latency median (ms)", c.latencyMedianMs, p.latencyMedianMs);
    PrintPinRow(out, "latency p99 (ms)", c.latencyP99Ms, p.latencyP99Ms);
    PrintPinRow(out, "latency median, first delivery (ms)", c.freshLatencyMedianMs, p.freshLatencyMedianMs);
    PrintPinRow(out, "from controller arrival, median (ms)", c.arrivalLatencyMedianMs, p.arrivalLatencyMedianMs);
    PrintPinRow(out, "from controller arrival, p99 (ms)", c.arrivalLatencyP99Ms, p.arrivalLatencyP99Ms);
    PrintPinRow(out, "interval median (ms)", c.intervalMedianMs, p.intervalMedianMs);
    PrintPinRow(out, "interval p99 (ms)", c.intervalP99Ms, p.intervalP99Ms);
    PrintPinRow(out, "Pause -> first stamped sample (ms)", c.firstStampedMs, p.firstStampedMs);
    PrintPinRow(out, "Pause -> first sample of any kind (ms)", c.firstSampleMs, p.firstSampleMs);
    PrintPinRow(out, "  samples without a frame before it", double(c.blackBeforeFirstStamped),
                double(p.blackBeforeFirstStamped), "%.0f");
    PrintPinRow(out, "end -> next start gap, median (ms)", c.gapMedianMs, p.gapMedianMs);
    PrintPinRow(out, "end -> next start gap, max (ms)", c.gapMaxMs, p.gapMaxMs);
    PrintPinRow(out, "start ahead of stream time, median (ms)", c.leadMedianMs, p.leadMedianMs);
    PrintPinRow(out, "start ahead of stream time, p99 (ms)", c.leadP99Ms, p.leadP99Ms);
    std::fprintf(out, "  %-38s %12s %12s\n", "grabber takes the pin's own buffers",
                 result.captureSharesAllocator ? "yes" : "NO", result.previewSharesAllocator ? "yes" : "NO");
}

// How the graph started: the Pause call, step by step, and Run.
void PrintGraphStart(const RunResult& result, std::FILE* out)
{
    std::fprintf(out, "  graph start: Pause took %s ms, Run %s ms; stream time 0 came %s ms after Run returned\n",
                 Cell(result.pauseCallMs, "%.1f").c_str(), Cell(result.runCallMs, "%.1f").c_str(),
                 Cell(result.streamZeroAfterRunMs, "%.1f").c_str());
    const PauseSteps& steps = result.pauseSteps;
    std::fprintf(out,
                 "  Pause broken down (ms): before the open %s (graph, allocators, first worker's start and settings "
                 "read); capture thread %s; CameraInit %s; settings sent %s; image buffers %s; settings saved %s; "
                 "CameraPlay %s; then to Pause's return %s. First frame message %s after CameraPlay. Allocators "
                 "alone, both pins: commit %s, first write of every buffer %s\n",
                 Cell(steps.beforeOpenMs, "%.1f").c_str(), Cell(steps.captureThreadMs, "%.1f").c_str(),
                 Cell(steps.cameraInitMs, "%.1f").c_str(), Cell(steps.settingsSentMs, "%.1f").c_str(),
                 Cell(steps.imageBuffersMs, "%.1f").c_str(), Cell(steps.settingsSaveMs, "%.1f").c_str(),
                 Cell(steps.playMs, "%.1f").c_str(), Cell(steps.afterPlayMs, "%.1f").c_str(),
                 Cell(steps.firstFrameMs, "%.1f").c_str(), Cell(steps.allocatorCommitMs, "%.1f").c_str(),
                 Cell(steps.allocatorFirstTouchMs, "%.1f").c_str());
}

// What the window cost: CPU, copies, their floors and ratios, memory, and
// CPU by thread.
void PrintCosts(const RunResult& result, std::FILE* out)
{
    std::fprintf(out, "  camera: %ld frames produced, %ld handled by the controller, %ld skipped (unfetched)\n",
                 result.cameraProduced, result.cameraFrames, result.cameraSkipped);
    std::fprintf(out, "  CPU: %.1f ms in the window / %llu samples on both pins = %s ms per delivered frame\n",
                 result.cpuMs, static_cast<unsigned long long>(result.delivered),
                 Cell(result.cpuMsPerFrame, "%.3f").c_str());
    std::fprintf(out,
                 "  memcpy of one frame (%llu bytes), median: %s ms cache-cold (round %d frame buffers, the floor "
                 "the targets use); %s ms hot (between 2 buffers)\n",
                 static_cast<unsigned long long>(kFrameBytes), Cell(result.copyMs, "%.3f").c_str(), kFootprintBuffers,
                 Cell(result.hotCopyMs, "%.3f").c_str());
    std::fprintf(out, "  cache-cold median, memcpy / streaming copy: frame %s / %s ms, whole image (%llu bytes) %s / %s ms\n",
                 Cell(result.memcpyColdMs, "%.3f").c_str(), Cell(result.streamingColdMs, "%.3f").c_str(),
                 static_cast<unsigned long long>(kImageBytes), Cell(result.memcpyColdImageMs, "%.3f").c_str(),
                 Cell(result.streamingColdImageMs, "%.3f").c_str());
    const double captureCopy = double(result.CaptureFrameBytes()) / double(kFrameBytes);
    std::fprintf(out,
                 "  required copies per delivered frame: (%ld camera frames x (%.3f + 1) + %llu x %.3f + %llu) / %llu "
                 "= %s\n",
                 result.cameraFrames, double(result.ImageBytes()) / double(kFrameBytes),
                 static_cast<unsigned long long>(result.capture.delivered), captureCopy,
                 static_cast<unsigned long long>(result.preview.delivered),
                 static_cast<unsigned long long>(result.delivered), Cell(result.requiredCopies, "%.3f").c_str());
    if (std::isfinite(result.measuredCopies)) {
        std::fprintf(out,
                     "  measured copies per delivered sample: (%.1f MiB by the camera + %.1f MiB into samples) / "
                     "%.1f MiB delivered = %.3f\n",
                     Mib(result.cameraCopiedBytes), Mib(result.sampleCopiedBytes), Mib(result.DeliveredBytes()),
                     result.measuredCopies);
    } else {
        std::fprintf(out, "  measured copies per delivered sample: - (the frame path counted no copies in the window)\n");
    }
    std::fprintf(out, "  CPU per frame / (required copies x cache-cold memcpy): %s; / (measured copies x cache-cold memcpy): %s\n",
                 Cell(result.cpuToCopiesRatio, "%.2f").c_str(), Cell(result.cpuToMeasuredCopiesRatio, "%.2f").c_str());
    std::fprintf(out,
                 "  CPU per delivered frame in cache-cold copies (the frame floor scaled by bytes) of what each "
                 "sample's conversion reads, %.1f MiB: %s; of the frame it writes, %.1f MiB: %s\n",
                 result.delivered ? Mib(result.DeliveredWindowBytes() / result.delivered) : 0.0,
                 Cell(result.cpuToWindowCopies, "%.2f").c_str(),
                 result.delivered ? Mib(result.DeliveredBytes() / result.delivered) : 0.0,
                 Cell(result.cpuToFrameCopies, "%.2f").c_str());
    std::fprintf(out, "  each pin worker's CPU per sample in cache-cold copies of its source window: capture %s, preview %s\n",
                 Cell(result.captureFillWindowCopies, "%.2f").c_str(), Cell(result.previewFillWindowCopies, "%.2f").c_str());
    std::fprintf(out, "  peak working set %.1f MiB, budget %.1f MiB (working set before the graph: %.1f MiB)\n",
                 Mib(result.peakWorkingSet), Mib(result.memoryBudget), Mib(result.startWorkingSet));
    std::fprintf(out, "  CPU by thread in the window (threads, ms, ms per delivered frame, ms per unit of its work):\n");
    for (const ThreadShare& share : result.threads) {
        const std::string unit = share.unit.empty() ? std::string() : "per " + share.unit;
        std::fprintf(out, "    %-24s %3d %9.1f %9.3f %9s %s\n", share.role.c_str(), share.threads, share.cpuMs,
                     result.delivered ? share.cpuMs / double(result.delivered) : 0.0,
                     Cell(share.perUnitMs, "%.3f").c_str(), unit.c_str());
    }
}

// Each target with its limit, met or missed.
void PrintTargets(const RunResult& result, std::FILE* out)
{
    std::fprintf(out, "  targets:\n");
    for (const TargetCheck& check : CheckTargets(result)) {
        std::fprintf(out, "    %-52s %10s  limit %8.2f  %s\n", check.rule.c_str(), Cell(check.measured).c_str(),
                     check.limit, check.met ? "met" : "MISSED");
    }
}

} // namespace

void PrintTable(const RunResult& result, std::FILE* out)
{
    const char* format = PixelFormatName(result.format);
    std::fprintf(out,
                 "Run %d: resolution index %d, capture %d x %d %s, preview %s, %.2f s measured, graph %s a "
                 "reference clock\n",
                 result.run, result.resolution, result.captureWidth, result.captureHeight, format,
                 result.captureOnly ? "not connected"
                                    : FormatText("%d x %d %s", result.previewWidth, result.previewHeight, format).c_str(),
                 result.seconds,
                 result.withClock ? "with" : "without");
    if (!result.error.empty()) {
        std::fprintf(out, "  FAILED: %s\n", result.error.c_str());
        return;
    }
    PrintPinRows(result, out);
    PrintGraphStart(result, out);
    PrintCosts(result, out);
    PrintTargets(result, out);
    std::fflush(out);
}

std::string JsonLine(const RunResult& result)
{
    JsonObject json;
    json.Count("run", static_cast<uint64_t>(result.run))
        .Bool("ok", result.error.empty())
        .String("error", result.error)
        .String("format", PixelFormatName(result.format))
        .Count("width", static_cast<uint64_t>(result.previewWidth))
        .Count("height", static_cast<uint64_t>(result.previewHeight))
        .Count("capture_width", static_cast<uint64_t>(result.captureWidth))
        .Count("capture_height", static_cast<uint64_t>(result.captureHeight))
        .Count("resolution", static_cast<uint64_t>(result.resolution))
        .Number("seconds", result.seconds)
        .Bool("clock", result.withClock)
        .Bool("capture_only", result.captureOnly);
    if (!result.error.empty()) {
        return json.Text();
    }
    JsonObject pins;
    pins.Object("capture", PinJson(result.capture, result.captureSharesAllocator))
        .Object("preview", PinJson(result.preview, result.previewSharesAllocator));
    JsonObject camera;
    camera.Count("produced", static_cast<uint64_t>(result.cameraProduced))
        .Count("handled", static_cast<uint64_t>(result.cameraFrames))
        .Count("skipped", static_cast<uint64_t>(result.cameraSkipped));
    JsonObject threads;
    for (const ThreadShare& share : result.threads) {
        threads.Number(share.role.c_str(), share.cpuMs, 1);
    }
    const PauseSteps& steps = result.pauseSteps;
    JsonObject pauseSteps;
    pauseSteps.Number("before_open_ms", steps.beforeOpenMs, 1)
        .Number("capture_thread_ms", steps.captureThreadMs, 1)
        .Number("camera_init_ms", steps.cameraInitMs, 1)
        .Number("settings_sent_ms", steps.settingsSentMs, 1)
        .Number("image_buffers_ms", steps.imageBuffersMs, 1)
        .Number("settings_save_ms", steps.settingsSaveMs, 1)
        .Number("play_ms", steps.playMs, 1)
        .Number("after_play_ms", steps.afterPlayMs, 1)
        .Number("first_frame_after_play_ms", steps.firstFrameMs, 1)
        .Number("allocator_commit_ms", steps.allocatorCommitMs, 1)
        .Number("allocator_first_touch_ms", steps.allocatorFirstTouchMs, 1);
    JsonObject targets;
    bool all = true;
    for (const TargetCheck& check : CheckTargets(result)) {
        targets.Bool(check.name.c_str(), check.met);
        all = all && check.met;
    }
    targets.Bool("all", all);
    json.Object("pins", pins)
        .Object("camera", camera)
        .Number("pause_call_ms", result.pauseCallMs, 1)
        .Object("pause_steps", pauseSteps)
        .Number("run_call_ms", result.runCallMs, 1)
        .Number("stream_zero_after_run_ms", result.streamZeroAfterRunMs, 1)
        .Number("cpu_ms", result.cpuMs, 1)
        .Count("delivered", result.delivered)
        .Number("cpu_ms_per_frame", result.cpuMsPerFrame)
        .Number("memcpy_ms", result.copyMs)
        .Number("memcpy_hot_ms", result.hotCopyMs)
        .Number("memcpy_cold_ms", result.memcpyColdMs)
        .Number("streaming_cold_ms", result.streamingColdMs)
        .Number("memcpy_cold_image_ms", result.memcpyColdImageMs)
        .Number("streaming_cold_image_ms", result.streamingColdImageMs)
        .Number("required_copies_per_frame", result.requiredCopies)
        .Number("cpu_to_copies_ratio", result.cpuToCopiesRatio)
        .Count("camera_copied_bytes", result.cameraCopiedBytes)
        .Count("sample_copied_bytes", result.sampleCopiedBytes)
        .Number("measured_copies_per_sample", result.measuredCopies)
        .Number("cpu_to_measured_copies_ratio", result.cpuToMeasuredCopiesRatio)
        .String("frame_identity", result.Converted() ? "reader" : "stamp")
        .Count("source_window_bytes",
               stats::SourceWindowBytes(result.ImageWidth(), result.ImageHeight(), result.captureWidth,
                                        result.captureHeight))
        .Count("frame_bytes", result.CaptureFrameBytes())
        .Number("cpu_to_window_copies", result.cpuToWindowCopies)
        .Number("capture_fill_window_copies", result.captureFillWindowCopies)
        .Number("preview_fill_window_copies", result.previewFillWindowCopies)
        .Number("cpu_to_frame_copies", result.cpuToFrameCopies)
        .Number("preview_path_copies_ms", PreviewPathCopies(result) * result.copyMs)
        .Count("peak_working_set", result.peakWorkingSet)
        .Count("memory_budget", result.memoryBudget)
        .Count("start_working_set", result.startWorkingSet)
        .Object("thread_cpu_ms", threads)
        .Object("targets", targets);
    return json.Text();
}

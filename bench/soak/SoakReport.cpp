#include "bench/soak/SoakReport.h"

#include "bench/TextFormat.h"

namespace {

double Mib(uint64_t bytes)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

const char* YesNo(bool value)
{
    return value ? "yes" : "NO";
}

const char* TrueFalse(bool value)
{
    return value ? "true" : "false";
}

std::string CountsJson(const ObjectCounts& counts)
{
    return FormatText("{\"handles\":%d,\"threads\":%d,\"live_objects\":%ld}", counts.handles, counts.threads,
                  counts.liveObjects);
}

std::string PinJson(const PinFigures& pin)
{
    return FormatText("{\"samples\":%ld,\"unstamped\":%ld,\"missing\":%ld,\"duplicates\":%ld}", pin.samples,
                  pin.unstamped, pin.missing, pin.duplicates);
}

} // namespace

void PrintSoakTable(const CycleFigures* cycles, const StreamFigures* stream, FILE* out)
{
    if (cycles) {
        std::fprintf(out, "Pause/Run/Stop cycles, both pins connected: %d in %.1f s, %d failed calls%s%s\n",
                     cycles->cycles, cycles->seconds, cycles->failedCalls, cycles->error.empty() ? "" : ", error: ",
                     cycles->error.c_str());
        std::fprintf(out, "  %-14s %10s %10s %10s\n", "", "handles", "threads", "live obj.");
        const struct {
            const char* name;
            const ObjectCounts& counts;
        } rows[] = {{"after warm-up", cycles->baseline}, {"peak", cycles->peak}, {"after last", cycles->final}};
        for (const auto& row : rows) {
            std::fprintf(out, "  %-14s %10d %10d %10ld\n", row.name, row.counts.handles, row.counts.threads,
                         row.counts.liveObjects);
        }
        std::fprintf(out, "  flat: %s\n", YesNo(CountsFlat(cycles->baseline, cycles->final)));
    }
    if (stream) {
        std::fprintf(out, "Both pins streaming: %.2f min%s%s\n", stream->minutes,
                     stream->error.empty() ? "" : ", error: ", stream->error.c_str());
        std::fprintf(out, "  camera frames produced %ld, left unfetched by the filter %ld\n", stream->produced,
                     stream->skipped);
        std::fprintf(out, "  %-8s %10s %10s %10s %10s\n", "pin", "delivered", "missing", "twice", "unstamped");
        for (const auto* pin : {&stream->capture, &stream->preview}) {
            std::fprintf(out, "  %-8s %10ld %10ld %10ld %10ld\n", pin == &stream->capture ? "capture" : "preview",
                         pin->samples, pin->missing, pin->duplicates, pin->unstamped);
        }
        std::fprintf(out, "  frames lost by the filter: %ld\n", FramesLost(*stream));
        std::fprintf(out, "  working set: %.1f MiB at start, %.1f MiB at end, %.1f MiB at most; flat: %s\n",
                     Mib(stream->workingSetStart), Mib(stream->workingSetEnd), Mib(stream->workingSetMax),
                     YesNo(WorkingSetFlat(*stream)));
    }
}

std::string SoakJsonLine(const CycleFigures* cycles, const StreamFigures* stream)
{
    std::string json = "{\"soak\":1";
    if (cycles) {
        json += FormatText(",\"cycles\":{\"count\":%d,\"seconds\":%.1f,\"failed_calls\":%d,\"baseline\":", cycles->cycles,
                       cycles->seconds, cycles->failedCalls) +
                CountsJson(cycles->baseline) + ",\"peak\":" + CountsJson(cycles->peak) +
                ",\"final\":" + CountsJson(cycles->final) +
                FormatText(",\"flat\":%s,\"error\":", TrueFalse(CountsFlat(cycles->baseline, cycles->final))) +
                JsonErrorString(cycles->error) + "}";
    }
    if (stream) {
        json += FormatText(",\"stream\":{\"minutes\":%.3f,\"produced\":%ld,\"unfetched\":%ld,\"capture\":", stream->minutes,
                       stream->produced, stream->skipped) +
                PinJson(stream->capture) + ",\"preview\":" + PinJson(stream->preview) +
                FormatText(",\"lost\":%ld,\"working_set_mib\":{\"start\":%.1f,\"end\":%.1f,\"max\":%.1f},\"flat\":%s,"
                       "\"error\":",
                       FramesLost(*stream), Mib(stream->workingSetStart), Mib(stream->workingSetEnd),
                       Mib(stream->workingSetMax), TrueFalse(WorkingSetFlat(*stream))) +
                JsonErrorString(stream->error) + "}";
    }
    return json + "}";
}

// lumorasoak: runs the capture filter for a long time in a real graph on the
// simulated camera and reports whether anything grows or gets lost. See the
// README's "Soak" section for how to run it.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/MeasuringProgram.h"
#include "bench/soak/MediaSourceSoak.h"
#include "bench/soak/SoakOptions.h"
#include "bench/soak/SoakReport.h"
#include "bench/soak/SoakRun.h"
#include "diagnostics/Watchdog.h"

namespace {

// A phase that takes this much longer than it should has hung (a Stop that
// never returns): the program ends with a message instead of waiting forever.
const DWORD kHangMarginMs = 300000;
// A Pause/Run/Stop cycle takes well under a second even on a loaded machine.
const DWORD kCycleAllowanceMs = 2000;

// The media source's Start/Stop cycles, then its create/shutdown cycles;
// 1 when either failed.
int RunSourceSoak(const SoakOptions& options)
{
    const DWORD allowance = static_cast<DWORD>(options.cycles + options.creations) * kCycleAllowanceMs;
    win::Watchdog watchdog(allowance + kHangMarginMs, "media source soak");
    const MediaSourceSoakFigures figures = RunMediaSourceSoak(options.cycles, options.creations);
    if (!options.jsonOnly) {
        PrintMediaSourceSoakTable(figures, stdout);
    }
    std::printf("%s\n", MediaSourceSoakJsonLine(figures).c_str());
    std::fflush(stdout);
    return figures.startStop.counts.error.empty() && figures.createShutdown.counts.error.empty() ? 0 : 1;
}

// The cycles, then the streaming; 1 when either failed.
int RunSoak(const SoakOptions& options)
{
    if (options.mediaSource) {
        return RunSourceSoak(options);
    }
    std::unique_ptr<CycleFigures> cycles;
    if (options.cycles > 0) {
        win::Watchdog watchdog(static_cast<DWORD>(options.cycles) * kCycleAllowanceMs + kHangMarginMs, "soak cycles");
        cycles = std::make_unique<CycleFigures>(RunCycles(options.cycles));
    }
    std::unique_ptr<StreamFigures> stream;
    if (options.minutes > 0) {
        win::Watchdog watchdog(static_cast<DWORD>(options.minutes * 60000) + kHangMarginMs, "soak stream");
        stream = std::make_unique<StreamFigures>(RunStream(options.minutes));
    }
    if (!options.jsonOnly) {
        PrintSoakTable(cycles.get(), stream.get(), stdout);
    }
    std::printf("%s\n", SoakJsonLine(cycles.get(), stream.get()).c_str());
    std::fflush(stdout);
    const bool failed = (cycles && !cycles->error.empty()) || (stream && !stream->error.empty());
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return RunMeasuringProgram<SoakOptions>("lumorasoak", arguments, &ParseSoakOptions, SoakUsage(), &RunSoak);
}

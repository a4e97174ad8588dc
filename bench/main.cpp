// lumorabench: measures the capture filter's frame path in a real graph on
// the simulated camera. See bench/README.md for how to run it and what each
// figure means.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchOptions.h"
#include "bench/BenchReport.h"
#include "bench/BenchRun.h"
#include "bench/ConversionBench.h"
#include "bench/ListingBench.h"
#include "bench/MediaSourceBench.h"
#include "bench/MeasuringProgram.h"
#include "diagnostics/Watchdog.h"
#include "win/ComInitialization.h"

namespace {

// A run that takes this much longer than its window has hung (a Stop that
// never returns): the program ends with a message instead of waiting forever.
const DWORD kHangMarginMs = 120000;

// Each run with a graph of its own; 1 when any failed.
int RunBenchmarks(const BenchOptions& options)
{
    int failures = 0;
    for (int run = 1; run <= options.runs && options.mediaSource; ++run) {
        MediaSourceRun result;
        {
            win::Watchdog watchdog(static_cast<DWORD>(options.seconds) * 1000 + kHangMarginMs, "media source run");
            result = RunMediaSourceBench(run, options.seconds);
        }
        if (!options.jsonOnly) {
            PrintMediaSourceTable(result, stdout);
        }
        std::printf("%s\n", MediaSourceJsonLine(result).c_str());
        std::fflush(stdout);
        failures += result.error.empty() ? 0 : 1;
    }
    for (int run = 1; run <= options.runs && !options.mediaSource; ++run) {
        RunResult result;
        {
            win::Watchdog watchdog(static_cast<DWORD>(options.seconds) * 1000 + kHangMarginMs, "benchmark run");
            result = RunBenchmark(run, options);
        }
        if (!options.jsonOnly) {
            PrintTable(result, stdout);
        }
        std::printf("%s\n", JsonLine(result).c_str());
        std::fflush(stdout);
        if (!result.error.empty()) {
            ++failures;
        }
    }
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // The conversions alone, without a graph (ConversionBench.h).
    if (arguments.size() == 1 && arguments[0] == "--conversions") {
        return RunConversionBench(stdout);
    }
    // Creating the filter and reading what it offers, as listings do
    // (ListingBench.h).
    if (arguments.size() == 1 && arguments[0] == "--listing") {
        const win::ComInitialization com(COINIT_MULTITHREADED);
        return SUCCEEDED(com.Result()) ? RunListingBench(stdout) : 1;
    }
    return RunMeasuringProgram<BenchOptions>("lumorabench", arguments, &ParseBenchOptions, BenchUsage(),
                                             &RunBenchmarks);
}

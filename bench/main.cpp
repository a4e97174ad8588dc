// lumorabench: measures the capture filter's frame path in a real graph on
// the simulated camera. See bench/README.md for how to run it and what each
// figure means.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchOptions.h"
#include "bench/ConversionBench.h"
#include "bench/ListingBench.h"
#include "bench/BenchReport.h"
#include "bench/BenchRun.h"
#include "bench/PrivateTempFolder.h"
#include "win/ComInitialization.h"
#include "diagnostics/Watchdog.h"

namespace {

// A run that takes this much longer than its window has hung (a Stop that
// never returns): the program ends with a message instead of waiting forever.
const DWORD kHangMarginMs = 120000;

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
    BenchOptions options;
    std::string error;
    if (!ParseBenchOptions(arguments, &options, &error)) {
        std::fprintf(stderr, "lumorabench: %s\n%s", error.c_str(), BenchUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(BenchUsage(), stdout);
        return 0;
    }

    PrivateTempFolder temp;
    if (!temp.Ready()) {
        std::fprintf(stderr, "lumorabench: cannot create a private temporary folder\n");
        return 1;
    }
    // COM for the main thread, as a capture application would have it.
    const win::ComInitialization com(COINIT_MULTITHREADED);
    if (FAILED(com.Result())) {
        std::fprintf(stderr, "lumorabench: CoInitializeEx failed (0x%08lX)\n",
                     static_cast<unsigned long>(com.Result()));
        return 1;
    }

    int failures = 0;
    for (int run = 1; run <= options.runs; ++run) {
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

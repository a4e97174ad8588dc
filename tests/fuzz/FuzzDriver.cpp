#include "tests/fuzz/FuzzDriver.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace fuzz {
namespace {

bool ParseNumber(const char* text, uint64_t* value)
{
    char* end = nullptr;
    *value = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

} // namespace

bool ParseOptions(int argc, char** argv, const char* program, const char* entries, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        const bool parsed = value && ((option == "--seed" && ParseNumber(value, &options->seed)) ||
                                      (option == "--count" && ParseNumber(value, &options->count)) ||
                                      (option == "--start" && ParseNumber(value, &options->start)) ||
                                      (option == "--entry" && entries && (options->entry = value, true)));
        if (!parsed) {
            std::fprintf(stderr, "usage: %s [--seed N] [--count N] [--start N]%s%s%s\n", program,
                         entries ? " [--entry " : "", entries ? entries : "", entries ? "]" : "");
            return false;
        }
        ++i;
    }
    return true;
}

int RunInputs(const char* program, const Options& options, const std::function<std::string(uint64_t index)>& check)
{
    const ULONGLONG began = GetTickCount64();
    const auto seed = static_cast<unsigned long long>(options.seed);
    bool passed = true;
    for (uint64_t index = options.start; index < options.start + options.count; ++index) {
        const std::string failure = check(index);
        if (!failure.empty()) {
            std::printf("seed %llu input %llu: %s\n", seed, static_cast<unsigned long long>(index), failure.c_str());
            passed = false;
            break;
        }
        if ((index - options.start + 1) % 10000 == 0) {
            std::printf("%llu inputs passed, %llu ms\n", static_cast<unsigned long long>(index - options.start + 1),
                        GetTickCount64() - began);
            std::fflush(stdout);
        }
    }
    std::printf("%s: seed %llu, %llu inputs, %s, %llu ms\n", program, seed,
                static_cast<unsigned long long>(options.count), passed ? "all passed" : "FAILED",
                GetTickCount64() - began);
    return passed ? 0 : 1;
}

} // namespace fuzz

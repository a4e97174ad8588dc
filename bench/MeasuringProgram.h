// What the benchmark and the soak program do around their measurements:
// their command line parsed, then the measurements run with the filter's
// settings file in a private temporary folder (PrivateTempFolder) and COM
// initialised for the main thread, as a capture application has it.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Runs body with the private temporary folder and COM in place; returns
// body's exit code, or 1 with a message naming the program when either
// cannot be set up.
int RunInMeasuringFrame(const char* program, const std::function<int()>& body);

// Parses arguments with parse; on a bad command line prints the error and
// the usage (exit code 2), on --help the usage alone (0); otherwise runs
// body with the options in the measuring frame (RunInMeasuringFrame).
template <typename Options>
int RunMeasuringProgram(const char* program, const std::vector<std::string>& arguments,
                        bool (*parse)(const std::vector<std::string>&, Options*, std::string*), const char* usage,
                        const std::function<int(const Options&)>& body)
{
    Options options;
    std::string error;
    if (!parse(arguments, &options, &error)) {
        std::fprintf(stderr, "%s: %s\n%s", program, error.c_str(), usage);
        return 2;
    }
    if (options.help) {
        std::fputs(usage, stdout);
        return 0;
    }
    return RunInMeasuringFrame(program, [&body, &options] {
        return body(options);
    });
}

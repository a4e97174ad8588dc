// What the fuzz programs share: the command line (--seed N --count N
// --start N, and --entry NAME where a program has entries) and the run of a
// seeded series of inputs. Input i of seed s is the same on every run and
// every machine, so "--start i --count 1" replays it.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>

namespace fuzz {

struct Options {
    uint64_t seed = 1;
    uint64_t count = 10000;
    uint64_t start = 0;
    std::string entry;
};

// entries: "a|b|c" for a program that takes --entry, else null. Prints the
// usage and returns false for any other command line (exit code 2).
bool ParseOptions(int argc, char** argv, const char* program, const char* entries, Options* options);

// Checks inputs start .. start + count - 1 in order, stopping at the first
// that returns a failure text; prints progress every 10,000 inputs and a
// summary line. The exit code: 0 when every input passed, 1 otherwise.
int RunInputs(const char* program, const Options& options, const std::function<std::string(uint64_t index)>& check);

} // namespace fuzz

// What the fuzz programs share: the command line (--seed N --count N --start N [--entry NAME]) and the run of a
// seeded series of inputs. Input i of seed s is the same on every run and machine: "--start i --count 1" replays it.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>

namespace fuzz {

struct Options {
    uint64_t seed = 1, count = 10000, start = 0;
    std::string entry;
};

// entries: "a|b|c" for a program that takes --entry, else null. Prints the usage and returns false for any other
// command line (exit code 2).
bool ParseOptions(int argc, char** argv, const char* program, const char* entries, Options* options);

// Checks inputs start .. start + count - 1 in order, stopping at the first failure text, with progress every
// 10,000 inputs and a summary. Exit code 0 when every input passed, 1 otherwise.
int RunInputs(const char* program, const Options& options, const std::function<std::string(uint64_t index)>& check);

} // namespace fuzz

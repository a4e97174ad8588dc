// The benchmark's command line.
//
//   lumorabench [--seconds N] [--runs N] [--json-only] [--no-clock] [--footprint-floor]
//
//   --seconds N   length of each run's measured window (default 10)
//   --runs N      number of runs, each with a new graph (default 1)
//   --json-only   print only the JSON line of each run, not the table
//   --no-clock    run the graph without a reference clock (a diagnostic: the
//                 renderers then present samples at once, not at their times)
//   --footprint-floor  after the runs, also time frame copies that go round
//                 8 frame buffers (about 140 MiB, a footprint like the frame
//                 path's) and print the median: the copy cost when the frames
//                 do not stay in the cache
#pragma once

#include <string>
#include <vector>

struct BenchOptions {
    int seconds = 10;
    int runs = 1;
    bool jsonOnly = false;
    bool withClock = true;
    bool footprintFloor = false;
    bool help = false;
};

// Parses the arguments after the program name. False with a message in
// *error for an unknown option, a missing value or a value out of range
// (seconds 1..3600, runs 1..1000).
bool ParseBenchOptions(const std::vector<std::string>& arguments, BenchOptions* options, std::string* error);

// The usage text.
const char* BenchUsage();

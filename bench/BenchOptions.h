// The benchmark's command line.
//
//   lumorabench [--seconds N] [--runs N] [--json-only] [--no-clock] [--full-size-capture]
//
//   --seconds N   length of each run's measured window (default 10)
//   --runs N      number of runs, each with a new graph (default 1)
//   --json-only   print only the JSON line of each run, not the table
//   --no-clock    run the graph without a reference clock (a diagnostic: the
//                 renderers then present samples at once, not at their times)
//   --full-size-capture
//                 the capture pin delivers the camera's whole 3264 x 2448
//                 image (chosen through IAMStreamConfig), beside the 3032 x
//                 2016 preview pin
#pragma once

#include <string>
#include <vector>

struct BenchOptions {
    int seconds = 10;
    int runs = 1;
    bool jsonOnly = false;
    bool withClock = true;
    bool fullSizeCapture = false;
    bool help = false;
};

// Parses the arguments after the program name. False with a message in
// *error for an unknown option, a missing value or a value out of range
// (seconds 1..3600, runs 1..1000).
bool ParseBenchOptions(const std::vector<std::string>& arguments, BenchOptions* options, std::string* error);

// The usage text.
const char* BenchUsage();

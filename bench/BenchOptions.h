// The benchmark's command line.
//
//   lumorabench [--seconds N] [--runs N] [--json-only] [--no-clock] [--resolution N]
//               [--full-size-capture] [--capture-only] [--format NAME] [--size WxH]
//   lumorabench --media-source [--seconds N] [--runs N] [--json-only]
//
//   --seconds N   length of each run's measured window (default 10)
//   --runs N      number of runs, each with a new graph (default 1)
//   --json-only   print only the JSON line of each run, not the table
//   --no-clock    run the graph without a reference clock (a diagnostic: the
//                 renderers then present samples at once, not at their times)
//   --resolution N
//                 the camera's resolution index (0 the whole sensor, cropped
//                 to the frame; 1 and 2 the binned read-outs, the frame
//                 itself), stored in the bench's own settings file before
//                 each graph is built (default 0)
//   --full-size-capture
//                 the capture pin delivers the camera's whole 3264 x 2448
//                 image (chosen through IAMStreamConfig), beside the 3032 x
//                 2016 preview pin; resolution index 0 only (the binned
//                 read-outs have no larger image)
//   --capture-only
//                 only the capture pin is connected: at a size the camera
//                 delivers uncut (resolution index 1 or 2, or the full-size
//                 capture) the camera fills its samples directly
//   --format NAME, --size WxH
//                 an entry of the pins' format ladder (rgb24, rgb32, yuy2,
//                 nv12, i420, y800 at a size the ladder lists), set on both
//                 pins (the capture pin alone with --capture-only) through
//                 IAMStreamConfig before they connect; either alone takes
//                 RGB24 or 3032 x 2016 for the other. Not with
//                 --full-size-capture (--size 3264x2448 is the whole image
//                 on every pin); the whole image needs resolution index 0
//   --media-source
//                 the Media Foundation source read as NV12 1280 x 720 through
//                 the source reader instead of the filter in a graph
//                 (bench/MediaSourceBench.h); only --seconds, --runs and
//                 --json-only go with it
#pragma once

#include <string>
#include <vector>

#include "camera/PixelFormat.h"

struct BenchOptions {
    int seconds = 10;
    int runs = 1;
    bool jsonOnly = false;
    bool withClock = true;
    bool fullSizeCapture = false;
    bool captureOnly = false;
    int resolution = 0;
    // A ladder entry was asked for (--format or --size): the pins are set to
    // format at width x height. Otherwise they keep their own first format,
    // RGB24 at 3032 x 2016, as these fields say.
    bool ladderEntry = false;
    PixelFormat format = PixelFormat::Rgb24;
    int width = 3032;
    int height = 2016;
    bool help = false;
    bool mediaSource = false;
};

// Parses the arguments after the program name. False with a message in
// *error for an unknown option, a missing value or a value out of range
// (seconds 1..3600, runs 1..1000, resolution 0..2, a format or size the
// pins' ladder does not list), for --full-size-capture with a resolution
// index other than 0 or with a ladder entry, and for the whole image's size
// with a resolution index other than 0, and for the graph's options with
// --media-source.
bool ParseBenchOptions(const std::vector<std::string>& arguments, BenchOptions* options, std::string* error);

// The usage text.
const char* BenchUsage();

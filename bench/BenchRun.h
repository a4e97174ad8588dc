// One benchmark run: the resolution index stored in the settings file, a new
// graph, Pause and Run, a wait for both pins' first camera frame, the
// measured window, Stop, then the copy floors (cache-cold and hot memcpy, and
// the streaming copy against memcpy for a frame and a whole image), and the
// figures computed from all of it.
//
// Threading: on the bench's main thread, in a multithreaded COM apartment.
#pragma once

#include "bench/BenchOptions.h"
#include "bench/RunResult.h"

RunResult RunBenchmark(int run, const BenchOptions& options);

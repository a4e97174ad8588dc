// One benchmark run: a new graph, Pause and Run, a wait for both pins'
// first camera frame, the measured window, Stop, then the memcpy floors
// (cache-cold and hot), and the figures computed from all of it.
//
// Threading: on the bench's main thread, in a multithreaded COM apartment.
#pragma once

#include "bench/BenchOptions.h"
#include "bench/RunResult.h"

RunResult RunBenchmark(int run, const BenchOptions& options);

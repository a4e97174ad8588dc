// The listing benchmark (lumorabench --listing): what a browser does each time
// it lists cameras — create the capture filter and read both pins' media
// types, IAMStreamConfig capabilities and IAMVideoControl frame-rate lists —
// timed 100 times; prints the median and the slowest, and the calls the
// camera library saw meanwhile (none: listing never opens the camera).
#pragma once

#include <cstdio>

// Runs the measurement and prints it to out. Returns the program's exit code:
// 0 when every listing succeeded and made no camera call, 1 otherwise.
int RunListingBench(std::FILE* out);

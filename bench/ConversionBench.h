// The conversion benchmark (lumorabench --conversions): for every pixel format
// and size a pin offers, from the simulated camera's 3264 x 2448 and
// 3032 x 2016 images, the cache-cold median time of FrameConverter::Write
// and of the other orders of libyuv calls tried for NV12, each also in units
// of the same run's cache-cold copy of the source window and of the written
// frame. Prints a table; no graph, no filter.
#pragma once

#include <cstdio>

// Runs the measurements and prints them to out. Returns the program's exit
// code: 0 when they ran, 1 when the camera's images or memory could not be had.
int RunConversionBench(std::FILE* out);

// Choosing the frame size and rate of a device's pin before its graph is
// built (--size, --fps), through the pin's IAMStreamConfig, as capture
// applications do: the listed type of the asked size (or the pin's current
// one) with the asked frame interval is handed to SetFormat.
#pragma once

#include <dshow.h>

#include <vector>

#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/Lumoracap.h"
#include "tools/lumoracap/LostFrames.h"

// Sets the pin of category on device to options' size and rate (nothing when
// neither is given). Without --size the pin keeps its size; without --fps the
// type names no rate (AvgTimePerFrame 0), which keeps the device's. On
// failure prints why (a size the pin does not list, with the sizes it lists;
// a size or rate the device refuses) and returns kExitFailure; kExitSuccess
// otherwise, also when the device took the format but reported that it could
// not keep it (a warning is printed then).
int ChooseStreamFormat(IBaseFilter* device, REFGUID category, const Options& options, Console& console);

// The frame interval (100-ns units) of a rate in frames per second, rounded
// down: 15 gives 666666, 30 gives 333333.
REFERENCE_TIME FrameIntervalOf(double framesPerSecond);

// The sizes, with their rates, that the pin of category on device lists
// (none when it has no IAMStreamConfig).
std::vector<ListedFormat> ListedFormats(IBaseFilter* device, REFGUID category);

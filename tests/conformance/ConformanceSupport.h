// What the conformance cases share: the camera as a capture application finds
// it (the built ZorvikFilter.dll registered with the platform's regsvr32, its
// filter made through the system device enumerator), its pins by category,
// and an AVI file played back through the platform's own file source and AVI
// splitter into a sample grabber.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>

#include "tests/filter/CaptureGraph.h"
#include "tests/support/SimCameraFixture.h"

namespace conformance {

using Microsoft::WRL::ComPtr;

// Behaviours whose cases are written but not yet delivered on this branch:
// a case gated here is skipped (and says so) until its flag is turned on.
// Wine's AVI splitter (GStreamer's, behind winegstreamer) hands the sample
// grabber the stored frames as they were captured. Seen instead on Wine 8,
// for a file ffprobe reads as the captured frames: frame-sized samples at a
// steady 1/30 s, several times as many as the file holds, their bytes
// shifted by a part of a pixel (the camera's "LUMO" stamp found 64,556 bytes
// past its place). While Wine's splitter does that, the playback case checks
// that the file plays to its end in frame-sized samples, and reads the stored
// frames' stamps with ffmpeg.
constexpr bool kPlaybackShowsStoredFrames = false;
// A graph built, paused, stopped and released with the module unloaded
// after it leaves the process's handles where they were. Seen on Wine 8: 3
// handles more per round on 32-bit (5 with the system device enumerator),
// threads flat. Two of them are the 32-bit toolchain's static runtime: any
// DLL built with it (a few lines using the C++ library will do) leaves 2
// handles behind per LoadLibrary/FreeLibrary, the 64-bit one none. The check
// stays off until the rest is accounted for.
constexpr bool kModuleReloadKeepsHandlesFlat = false;

// Every case starts and ends with the simulated camera at its power-on state
// and no settings file; the module is registered once for the program.
class ConformanceTest : public testenv::SimCameraFixture {
protected:
    static void SetUpTestSuite();
};

// A new filter of the "Lumora Camera" video input device (null, with a
// failure recorded, when there is none).
ComPtr<IBaseFilter> OpenCamera();

// The first output pin of the filter in the category, or null.
ComPtr<IPin> PinOf(IBaseFilter* filter, REFGUID category);

// The pin's IAMStreamConfig, or null.
ComPtr<IAMStreamConfig> StreamConfigOf(IBaseFilter* filter, REFGUID category);

// Plays the AVI file at path through the platform's file source, AVI
// splitter, sample grabber (calling log) and null renderer, without a clock
// (as fast as the frames come), to its end.
HRESULT PlayBack(const std::string& path, filtertest::SampleLog* log, DWORD timeoutMs);

// ZorvikFilter.dll is no longer loaded in this process.
bool FilterModuleUnloaded();

} // namespace conformance

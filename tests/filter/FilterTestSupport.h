// Helpers for the filter's tests: a filter made with CreateCameraFilter and its pins, the stored resolution index,
// a small video type, stamps in delivered samples, and a "person" who answers the camera failure message boxes.
#pragma once

#include <gtest/gtest.h>
#include <dshow.h>
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "filter/CameraFilter.h"
#include "simcamera/SimControl.h"
#include "tests/support/FrameSizes.h"
#include "tests/support/SimCameraFixture.h"
#include "tests/support/SimCameraProbe.h"
#include "tests/support/WindowDriver.h"
#include "win/Lock.h"
#include "win/Thread.h"

namespace filtertest {

using Microsoft::WRL::ComPtr;

using testenv::kFrameBytes;
using testenv::kFrameHeight;
using testenv::kFrameWidth;

// A new filter from CreateCameraFilter, held by one IBaseFilter reference, with direct access to its objects.
struct TestFilter {
    TestFilter();
    ComPtr<IBaseFilter> filter;
    CameraFilter* object = nullptr;
    CameraOutputPin* capture = nullptr; // pin 0
    CameraOutputPin* preview = nullptr; // pin 1
};

// Base fixture: the simulated camera at power-on state, no settings file.
using FilterTest = testenv::SimCameraFixture;

// Writes a settings file of defaults with the given resolution index (behind any filter's back: a filter follows
// it when it is made, and its camera opens with it).
void StoreResolution(uint8_t resolution);

using testenv::IsStamp;
using testenv::JournalLines;

// The width and height in the VIDEOINFOHEADER of a type (0, 0 without one).
SIZE FrameSizeOf(const AM_MEDIA_TYPE& type);

// The type the stream configuration lists at index, and its current format (empty, with a failure recorded, when it
// gives none).
MediaTypeRecord ListedType(IAMStreamConfig* config, int index);
MediaTypeRecord CurrentFormat(IAMStreamConfig* config);

// The stamp at the centre of a delivered 3032 x 2016 frame, or of one of the given size (none when too short).
SimStamp StampIn(const BYTE* frame, long size);
SimStamp StampIn(const BYTE* frame, long size, int width, int height);

// The settings file's bytes as they stand, or "no file".
std::string SettingsFileBytes();

// The journal's calls that change a setting of the camera ("CameraSet...").
std::vector<std::string> CameraSettingChanges();

// QueryPerformanceCounter now; a span of its ticks in seconds; the seconds from start (QpcNow) to now.
LONGLONG QpcNow();
double QpcSeconds(LONGLONG ticks);
inline double SecondsSince(LONGLONG start)
{
    return QpcSeconds(QpcNow() - start);
}

// The object's settings interface (null, with a failure recorded, when it has none).
ComPtr<ICameraSettings> SettingsOf(IUnknown* object);
// As a page's Apply: the filter's record read through its settings interface, changed, and applied.
void ApplySettings(IUnknown* filter, const std::function<void(CameraConfig&)>& change);

using testenv::MessageBoxAnswerer;

} // namespace filtertest

// What the media source's tests share: a source made in-process, its events
// drained with a deadline, a sample's bytes, and the check of a delivered
// frame against the camera's frame converter on the camera's current image.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "mediasource/MediaFoundationExtras.h"

#include <wrl/client.h>

#include <string>
#include <vector>

#include "camera/FrameWindow.h"

namespace sourcetest {

using Microsoft::WRL::ComPtr;
using Bytes = std::vector<BYTE>;

// A new source (CreateCameraSource), or a failed assertion.
ComPtr<IMFMediaSource> NewSource();

// The events of a generator that arrive within timeoutMs, stopping early once
// count have come; each as its type (and its status when failed).
struct SeenEvent {
    MediaEventType type = MEUnknown;
    HRESULT status = S_OK;
    ComPtr<IMFMediaEvent> event;
};
std::vector<SeenEvent> Drain(IMFMediaEventGenerator* generator, size_t count, DWORD timeoutMs);
std::vector<MediaEventType> TypesOf(const std::vector<SeenEvent>& events);
// The stream a MENewStream or MEUpdatedStream among events carries; null without one.
ComPtr<IMFMediaStream> StreamFrom(const std::vector<SeenEvent>& events);

// Start on a new source: its result, how long it took, and the events it
// queued. The source is shut down unless kept.
struct StartOutcome {
    HRESULT result = S_OK;
    ULONGLONG ms = 0;
    std::vector<SeenEvent> events;
};
StartOutcome StartNewSource(ComPtr<IMFMediaSource>* kept = nullptr);

// This program's full path; whether the camera library lies beside it.
std::wstring ProgramPath();
bool SdkBesideProgram();
// Whether any window of this process is visible (a message box would be).
bool ProcessShowsAWindow();

// The sample's bytes as one contiguous frame (rows at their natural stride).
Bytes SampleBytes(IMFSample* sample);

// Empty when frame is layout's conversion of the camera's current image by
// FrameConverter in every byte outside the neighbourhood of the picture's
// centre (where each camera frame carries its own stamp); else what differs.
// The simulated camera's marker must be held (SimHoldMarker).
std::string DiffersFromConverter(const FrameLayout& layout, const Bytes& frame);

} // namespace sourcetest

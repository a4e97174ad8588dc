// What the tests of every layer read back from the simulated camera through
// its test-only control exports: the journal of SDK calls, the frame
// counters and the stamp at the centre of every frame it hands out.
//
// Programs that use these link lumora_simcamera_probe, which brings in
// ZorvikSDK's import library. All are safe to call from any thread.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "simcamera/SimControl.h"

namespace testenv {

// The journal as one text, a "Name(args)\n" line per call, as it stands when
// read (a line added between sizing and copying may be cut short).
std::string JournalText();

// The journal's complete lines without their line ends, such as
// "CameraSetMirror(0,1)".
std::vector<std::string> JournalLines();

// The journal's complete lines that start with prefix, such as "CameraSet".
std::vector<std::string> JournalLinesStartingWith(const std::string& prefix);

// The journal's lines without the size query a camera controller makes
// before each image it fetches, which streaming adds at any moment.
std::vector<std::string> JournalLinesBesideFrames();

// The frame counters as they stand.
SimCounters FrameCounters();

// The stamp at the centre of a width x height RGB24 frame of size bytes at
// frame. All zero bytes (so not IsStamp) when frame is null or too short to
// hold a stamp at that place: nothing is read past size.
SimStamp StampOf(const void* frame, size_t size, int width, int height);
SimStamp StampOf(const std::vector<uint8_t>& frame, int width, int height);

// Whether stamp bytes carry the camera's magic "LUMO".
bool IsStamp(const SimStamp& stamp);

} // namespace testenv

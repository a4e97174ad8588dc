// Turning a delivered frame of any pixel format back into 24-bit pixels, for
// a picture file (the PNG snapshot of a YUY2, NV12, I420, RGB32 or grey
// capture).
#pragma once

#include <windows.h>

#include <vector>

#include "camera/FrameWindow.h"

// Converts the frame (size bytes, laid out as layout says) into
// layout.width x layout.height pixels of 3 bytes (B, G, R), rows top-down and
// width x 3 bytes apart, as a viewer shows it: YUY2, NV12 and I420 read as
// BT.601 with range 16-235, Y800 as full-range grey, RGB bottom-up rows
// turned over. Returns false, leaving rgb empty, when the layout is empty or
// size holds less than layout.Bytes().
bool FrameToRgb24(const BYTE* frame, size_t size, const FrameLayout& layout, std::vector<BYTE>* rgb);

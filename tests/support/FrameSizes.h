// The frame the simulated camera delivers at every resolution index (24-bit
// RGB, bottom-up), and the sensor's whole read-out, which index 0 also gives.
#pragma once

#include "camera/FrameWindow.h"
#include "camera/ImageLimits.h"

namespace testenv {

constexpr int kFrameWidth = 3032;
constexpr int kFrameHeight = 2016;
constexpr int kFullWidth = kSensorWidth;
constexpr int kFullHeight = kSensorHeight;
// 3032 * 3 is a multiple of 4: the rows need no padding.
constexpr long kFrameBytes = static_cast<long>(kFrameWidth) * kFrameHeight * 3;
const FrameLayout kFrame = FrameLayout::Rgb24Dib(kFrameWidth, kFrameHeight);
// Generous for the first frame: two shared cores, Wine.
constexpr unsigned long kFrameTimeoutMs = 10000;

} // namespace testenv

// The frame the simulated camera delivers at every resolution index (24-bit
// RGB, bottom-up), and the sensor's whole read-out, which index 0 also gives.
#pragma once

#include "camera/ImageLimits.h"

namespace testenv {

constexpr int kFrameWidth = 3032;
constexpr int kFrameHeight = 2016;
constexpr int kFullWidth = kSensorWidth;
constexpr int kFullHeight = kSensorHeight;

} // namespace testenv

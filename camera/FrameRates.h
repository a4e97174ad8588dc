// The frame rates the camera delivers, as the filter-graph platform counts
// them (frame intervals in 100-ns units), and how they map onto the camera's
// frame speed (CameraConfig::m_FrameSpeed, CameraSetFrameSpeed).
//
// The camera has two speeds: "High" (frame speed 1) produces a frame every
// 33.3 ms, about 30 per second; "Normal" (frame speed 2) one every 66.7 ms,
// about 15 per second. These are the only intervals the pins announce and
// accept; everything that names a rate (stream capabilities, offered types,
// frame rate lists, pacing) takes them from here.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "camera/CameraSdk.h"

namespace FrameRates {

// Frame interval at frame speed 1, "High": about 30 frames per second.
constexpr LONGLONG kHighFrameInterval = 333333;
// Frame interval at frame speed 2, "Normal": about 15 frames per second.
constexpr LONGLONG kNormalFrameInterval = 666666;

// Every interval the camera delivers, shortest (fastest) first.
constexpr LONGLONG kFrameIntervals[] = {kHighFrameInterval, kNormalFrameInterval};
constexpr int kFrameIntervalCount = 2;

// The interval a frame speed produces: 2 is "Normal"; the camera treats any
// other value as "High".
constexpr LONGLONG FrameIntervalForSpeed(int32_t frameSpeed)
{
    return frameSpeed == kFrameSpeedNormal ? kNormalFrameInterval : kHighFrameInterval;
}

// Whether a requested AvgTimePerFrame names one of the camera's rates: a
// value from the high interval to the normal one, both included. 0 ("keep
// the current rate") is not a rate and is not in the range.
constexpr bool IsDeliverableInterval(LONGLONG averageTimePerFrame)
{
    return averageTimePerFrame >= kHighFrameInterval && averageTimePerFrame <= kNormalFrameInterval;
}

// The frame speed of the camera rate nearer to a requested AvgTimePerFrame
// (the midpoint 499999.5 falls between two integers, so there is no tie); 0
// for a value that is not deliverable (IsDeliverableInterval).
constexpr int32_t FrameSpeedForInterval(LONGLONG averageTimePerFrame)
{
    if (!IsDeliverableInterval(averageTimePerFrame)) {
        return 0;
    }
    return averageTimePerFrame - kHighFrameInterval <= kNormalFrameInterval - averageTimePerFrame
               ? kFrameSpeedHigh
               : kFrameSpeedNormal;
}

} // namespace FrameRates

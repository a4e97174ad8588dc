// The simulated camera's settings: one field for each field of the settings
// table (camera/CameraSettingFields.h) that the camera holds, named and typed
// as the table says. The defaults are the table's, so the power-on state
// equals a fresh settings record.
//
// Values are kept exactly as set (a Get returns what the last Set gave); the
// picture and the timing treat any non-zero switch as "on". Gains multiply by
// value / 64, gamma is value / 100, frame speed 1 is high and 2 normal.
#pragma once

#include <stdint.h>

#include "camera/CameraSettingFields.h"

struct SimSettings {
#define LUMORA_SIM_SETTING(name, member, type, offset, initial, index) type name = initial;
    LUMORA_CAMERA_HELD_SETTING_FIELDS(LUMORA_SIM_SETTING)
#undef LUMORA_SIM_SETTING

    bool operator==(const SimSettings& other) const;
    bool operator!=(const SimSettings& other) const { return !(*this == other); }
};

// Frame interval at frame speed 1 (high) and 2 (normal).
constexpr unsigned kFrameIntervalHighMs = 33;
constexpr unsigned kFrameIntervalNormalMs = 66;

// Milliseconds from one frame to the next: the frame speed's interval, or the
// exposure time when exposure is manual and longer than that interval.
unsigned FrameIntervalMs(const SimSettings& settings);

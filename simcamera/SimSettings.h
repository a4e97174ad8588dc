// The simulated camera's settings, one field per SDK Set/Get pair, each at the
// width the SDK takes it. The defaults are the power-on state, equal to the
// defaults of a fresh settings record (camera/CameraConfig.h).
//
// Values are kept exactly as set (a Get returns what the last Set gave); the
// picture and the timing treat any non-zero switch as "on".
#pragma once

#include <stdint.h>

struct SimSettings {
    int32_t aeState = 1;
    uint8_t aeTarget = 100;
    uint16_t analogGain = 40;
    uint32_t exposureTimeMs = 40;
    int32_t gainR = 100; // gains multiply by value / 64
    int32_t gainG = 88;
    int32_t gainB = 88;
    uint8_t gamma = 100; // gamma value / 100
    uint8_t contrast = 20;
    uint8_t saturation = 100;
    int32_t colorEnhancement = 1;
    int32_t frameSpeed = 1; // 1 high, 2 normal
    int32_t monochrome = 0;
    int32_t hMirror = 0;
    int32_t vMirror = 0;

    bool operator==(const SimSettings& other) const;
    bool operator!=(const SimSettings& other) const { return !(*this == other); }
};

// Frame interval at frame speed 1 (high) and 2 (normal).
constexpr unsigned kFrameIntervalHighMs = 33;
constexpr unsigned kFrameIntervalNormalMs = 66;

// Milliseconds from one frame to the next: the frame speed's interval, or the
// exposure time when exposure is manual and longer than that interval.
unsigned FrameIntervalMs(const SimSettings& settings);

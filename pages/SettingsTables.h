// Value tables of the "Camera Set" page: the ISO slider's steps and the
// exposure time slider's positions, with the lookups between slider positions
// and the values the camera SDK takes.
#pragma once

#include <stdint.h>

struct IsoGainRow {
    int step;            // ISO slider position, 1 to 9
    int label;           // what the value label shows (step x 100)
    uint16_t analogGain; // what CameraSetAnalogGain takes
};

constexpr int kIsoSteps = 9;
extern const IsoGainRow IsoGainTable[kIsoSteps];

// Exposure times in milliseconds, indexed by the Time slider position.
constexpr int kExposureTimeSteps = 75;
extern const uint32_t ExposureTimeTable[kExposureTimeSteps];

// The analog gain of the ISO step. Steps outside 1..9 (never produced by the
// slider's range) are clamped to it rather than read past the table.
uint16_t IsoStepToGain(int step);
// The first step whose analog gain is at least gain (signed comparison);
// 9 when gain is above the last row.
int GainToIsoStep(int gain);
// The first position whose time is at least milliseconds; 0 when the time is
// above the last entry.
int ExposureTimeToStep(uint32_t milliseconds);
// The exposure time at a Time slider position, clamped to the table.
uint32_t ExposureTimeAt(int position);

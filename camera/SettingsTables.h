// The values the camera's settings take as the "Camera Set" page offers
// them: each slider's range, the ISO slider's steps and the exposure time
// slider's positions with the lookups between slider positions and the values
// the camera SDK takes, and the values of the page's "default" button. The
// page and the standard camera controls (filter/StandardControls) both take
// them from here, so the ranges and defaults an application is told are the
// page's.
#pragma once

#include <stdint.h>

class CameraConfig;

// A slider's range, both ends included.
struct SettingRange {
    int minimum;
    int maximum;
};

constexpr SettingRange kAeTargetRange = {40, 200};
constexpr SettingRange kColourGainRange = {0, 255}; // each of red, green, blue
constexpr SettingRange kGammaRange = {20, 150};
constexpr SettingRange kContrastRange = {0, 255};
constexpr SettingRange kSaturationRange = {0, 255};

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

// The analog gains the ISO slider covers (its first and last steps') and the
// exposure times the Time slider covers, in milliseconds.
SettingRange AnalogGainRange();
SettingRange ExposureTimeRange();

// Writes the values the page's "default" button loads into config (they
// differ from a fresh record's); m_Format is left as it is.
void LoadPageDefaults(CameraConfig* config);

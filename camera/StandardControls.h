// The standard camera controls an application sets without a vendor page
// (the platform's IAMVideoProcAmp and IAMCameraControl properties), mapped
// onto the fields of the camera's settings record:
//
//   VideoProcAmp_Brightness   auto-exposure target      m_Exposure.m_Target
//   VideoProcAmp_Contrast     contrast                  m_Color.m_Contrast
//   VideoProcAmp_Saturation   saturation                m_Color.m_Saturation
//   VideoProcAmp_Gamma        gamma (x 100)             m_Color.m_Gamma
//   VideoProcAmp_Gain         analog gain               m_Exposure.m_AnalogGain
//   VideoProcAmp_ColorEnable  colour (not monochrome)   !m_Monochrome
//   CameraControl_Exposure    log2 of the exposure time in seconds, the Auto
//                             flag being auto exposure  m_Exposure.m_ExposureTimeMS,
//                                                       m_Exposure.m_AeState
//
// The ranges are the "Camera Set" page's (camera/SettingsTables.h), steps of
// 1, and the defaults are the values of the page's "default" button, read
// through the same mapping. The exposure control covers the whole seconds'
// powers of two within the page's exposure times; a value sets the page's
// exposure time nearest to it, so the page shows exactly what was set.
// Every other property of the two interfaces is one the camera does not have.
//
// Pure functions of a record: no lock, no camera, any thread.
#pragma once

#include <dshow.h>

#include "camera/CameraConfig.h"

enum class ControlFamily {
    VideoProcAmp,  // IAMVideoProcAmp, VideoProcAmp_* properties
    CameraControl, // IAMCameraControl, CameraControl_* properties
};

// What GetRange reports. The flags are the platform's: 1 auto, 2 manual
// (VideoProcAmp_Flags_* and CameraControl_Flags_* have the same values).
struct ControlRange {
    long minimum;
    long maximum;
    long step;
    long defaultValue;
    long capsFlags;
};

// A value as Get reports it: the value and whether the camera sets it
// itself (flags 1) or takes it as set (flags 2).
struct ControlValue {
    long value;
    long flags;
};

class StandardControl {
public:
    // The camera's control for a property of the family, or null when the
    // camera has none (E_PROP_ID_UNSUPPORTED).
    static const StandardControl* Find(ControlFamily family, long property);

    virtual ControlRange Range() const = 0;
    virtual ControlValue Read(const CameraConfig& record) const = 0;
    // Whether a Set of value with flags may be made: S_OK, or E_INVALIDARG
    // for a value outside the range (whatever the flags), flags that are not
    // exactly one of the control's caps flags.
    HRESULT Check(long value, long flags) const;
    // Writes a checked value with its flags into record.
    virtual void Write(CameraConfig& record, long value, long flags) const = 0;

protected:
    StandardControl() = default;
    ~StandardControl() = default;
};

// The exposure control's conversions between log2 seconds and the page's
// exposure times in milliseconds.
namespace exposure_steps {

// The powers of two (in seconds) within the page's exposure times.
long Minimum();
long Maximum();
// The page's exposure time nearest to 2^step seconds (by ratio).
uint32_t TimeForStep(long step);
// log2 of milliseconds / 1000, rounded to the nearest whole number and kept
// within Minimum() and Maximum().
long StepForTime(uint32_t milliseconds);

} // namespace exposure_steps

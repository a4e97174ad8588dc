#include "tools/lumoracap/StandardControlNames.h"

#include <dshow.h>

#include <cwctype>

const StandardControlName kStandardControlNames[] = {
    {"brightness", "Brightness", ControlInterface::VideoProcAmp, VideoProcAmp_Brightness},
    {"contrast", "Contrast", ControlInterface::VideoProcAmp, VideoProcAmp_Contrast},
    {"hue", "Hue", ControlInterface::VideoProcAmp, VideoProcAmp_Hue},
    {"saturation", "Saturation", ControlInterface::VideoProcAmp, VideoProcAmp_Saturation},
    {"sharpness", "Sharpness", ControlInterface::VideoProcAmp, VideoProcAmp_Sharpness},
    {"gamma", "Gamma", ControlInterface::VideoProcAmp, VideoProcAmp_Gamma},
    {"colorenable", "ColorEnable", ControlInterface::VideoProcAmp, VideoProcAmp_ColorEnable},
    {"whitebalance", "WhiteBalance", ControlInterface::VideoProcAmp, VideoProcAmp_WhiteBalance},
    {"backlightcompensation", "BacklightCompensation", ControlInterface::VideoProcAmp,
     VideoProcAmp_BacklightCompensation},
    {"gain", "Gain", ControlInterface::VideoProcAmp, VideoProcAmp_Gain},
    {"pan", "Pan", ControlInterface::CameraControl, CameraControl_Pan},
    {"tilt", "Tilt", ControlInterface::CameraControl, CameraControl_Tilt},
    {"roll", "Roll", ControlInterface::CameraControl, CameraControl_Roll},
    {"zoom", "Zoom", ControlInterface::CameraControl, CameraControl_Zoom},
    {"exposure", "Exposure", ControlInterface::CameraControl, CameraControl_Exposure},
    {"iris", "Iris", ControlInterface::CameraControl, CameraControl_Iris},
    {"focus", "Focus", ControlInterface::CameraControl, CameraControl_Focus},
    {"fliphorizontal", "FlipHorizontal", ControlInterface::VideoControl, VideoControlFlag_FlipHorizontal},
    {"flipvertical", "FlipVertical", ControlInterface::VideoControl, VideoControlFlag_FlipVertical},
};
const int kStandardControlNameCount = sizeof(kStandardControlNames) / sizeof(kStandardControlNames[0]);

const StandardControlName* FindStandardControlName(const std::wstring& name)
{
    std::wstring lower;
    for (wchar_t c : name) {
        lower += static_cast<wchar_t>(std::towlower(c));
    }
    for (const StandardControlName& control : kStandardControlNames) {
        const std::string known = control.name;
        if (lower == std::wstring(known.begin(), known.end())) {
            return &control;
        }
    }
    return nullptr;
}

// The SDK calls a controller's Init makes when the camera opens: CameraInit with the record's resolution, every value
// of the record in the settings table's order (the camera may hold anything, its power-on values in a new program),
// then the image size query.
#pragma once

#include <string>
#include <vector>

#include "camera/CameraConfig.h"

namespace cameratest {

inline std::vector<std::string> OpenJournal(const CameraConfig& c)
{
    const auto call = [](const char* name, long long value) {
        return std::string(name) + "(" + std::to_string(value) + ")";
    };
    const int resolution = c.m_Format.m_Resolution;
    return {
        "CameraInit(1," + std::to_string(resolution) + ",1,1)",
        call("CameraSetAeState", c.m_Exposure.m_AeState),
        call("CameraSetAeTarget", c.m_Exposure.m_Target),
        call("CameraSetAnalogGain", c.m_Exposure.m_AnalogGain),
        call("CameraSetExposureTimeMS", c.m_Exposure.m_ExposureTimeMS),
        "CameraSetGain(" + std::to_string(c.m_Color.m_GainR) + "," + std::to_string(c.m_Color.m_GainG) + "," +
            std::to_string(c.m_Color.m_GainB) + ")",
        call("CameraSetGamma", c.m_Color.m_Gamma),
        call("CameraSetContrast", c.m_Color.m_Contrast),
        call("CameraSetSaturation", c.m_Color.m_Saturation),
        call("CameraSetColorEnhancement", c.m_Color.m_ColorEnhancement),
        call("CameraSetFrameSpeed", c.m_FrameSpeed),
        call("CameraSetMonochrome", c.m_Monochrome),
        "CameraSetMirror(0," + std::to_string(c.m_HMirror) + ")",
        "CameraSetMirror(1," + std::to_string(c.m_VMirror) + ")",
        "CameraGetImageSize()",
    };
}

} // namespace cameratest

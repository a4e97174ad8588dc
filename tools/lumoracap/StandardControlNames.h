// The platform's standard camera controls as lumoracap names them: every
// property of IAMVideoProcAmp and IAMCameraControl, and the two flips of
// IAMVideoControl, with the name "lumoracap set" takes (lower case) and the
// name "lumoracap controls" shows.
#pragma once

#include <string>

enum class ControlInterface {
    VideoProcAmp,  // IAMVideoProcAmp: property is a VideoProcAmp_* value
    CameraControl, // IAMCameraControl: property is a CameraControl_* value
    VideoControl,  // IAMVideoControl on the capture pin: property is a VideoControlFlag_Flip* bit
};

struct StandardControlName {
    const char* name;    // as "lumoracap set" takes it
    const char* display; // as "lumoracap controls" shows it
    ControlInterface where;
    long property;
};

// Every standard control, in the order "lumoracap controls" lists them.
extern const StandardControlName kStandardControlNames[];
extern const int kStandardControlNameCount;

// The control of this name, ignoring case; null when there is none.
const StandardControlName* FindStandardControlName(const std::wstring& name);

// The camera SDK functions of camera/CameraSdk.h, exported undecorated through
// ZorvikSDK.def. Each call except CameraGetImageDataRGB24 is journaled first
// (input arguments only; windows and the callback as 1 when given, else 0),
// then handed to the process's SimCamera.
#include "camera/CameraSdk.h"

#include "simcamera/Journal.h"
#include "simcamera/SimCamera.h"

namespace {

long long Given(const void* pointer)
{
    return pointer ? 1 : 0;
}

// A Set: journaled, stored whatever the camera's state.
template <class Value, class Field>
int SetSetting(const char* name, Value value, Field SimSettings::*field)
{
    TheJournal().Record(name, {static_cast<long long>(value)});
    TheCamera().ChangeSettings([&](SimSettings& settings) { settings.*field = static_cast<Field>(value); });
    return 1;
}

// A Get: journaled without arguments; writes the value at the width the
// caller's pointer has. A null pointer gets 0 and nothing written.
template <class Out, class Field>
int GetSetting(const char* name, Out* out, Field SimSettings::*field)
{
    TheJournal().Record(name, {});
    if (!out) {
        return 0;
    }
    *out = static_cast<Out>(TheCamera().Settings().*field);
    return 1;
}

bool ValidAxis(int axis)
{
    return axis == kMirrorHorizontal || axis == kMirrorVertical;
}

} // namespace

extern "C" {

int __stdcall CameraInit(CameraCallback callback, int resolution, HWND displayWindow, HWND notifyWindow)
{
    TheJournal().Record("CameraInit", {callback ? 1 : 0, resolution, Given(displayWindow), Given(notifyWindow)});
    return TheCamera().Init(callback, resolution, notifyWindow);
}

int __stdcall CameraUnInit(void)
{
    TheJournal().Record("CameraUnInit", {});
    return TheCamera().UnInit();
}

int __stdcall CameraPlay(void)
{
    TheJournal().Record("CameraPlay", {});
    return TheCamera().Play();
}

int __stdcall CameraStop(void)
{
    TheJournal().Record("CameraStop", {});
    return TheCamera().Stop();
}

int __stdcall CameraGetImageSize(int* width, int* height)
{
    TheJournal().Record("CameraGetImageSize", {});
    return TheCamera().GetImageSize(width, height);
}

int __stdcall CameraGetImageDataRGB24(unsigned char* buffer)
{
    return TheCamera().Fetch(buffer);
}

int __stdcall CameraSetAeState(int on)
{
    return SetSetting("CameraSetAeState", on, &SimSettings::aeState);
}

int __stdcall CameraGetAeState(int* on)
{
    return GetSetting("CameraGetAeState", on, &SimSettings::aeState);
}

int __stdcall CameraSetAeTarget(unsigned char target)
{
    return SetSetting("CameraSetAeTarget", target, &SimSettings::aeTarget);
}

int __stdcall CameraGetAeTarget(unsigned char* target)
{
    return GetSetting("CameraGetAeTarget", target, &SimSettings::aeTarget);
}

int __stdcall CameraSetAnalogGain(unsigned short gain)
{
    return SetSetting("CameraSetAnalogGain", gain, &SimSettings::analogGain);
}

int __stdcall CameraGetAnalogGain(unsigned short* gain)
{
    return GetSetting("CameraGetAnalogGain", gain, &SimSettings::analogGain);
}

int __stdcall CameraSetExposureTimeMS(unsigned int milliseconds)
{
    return SetSetting("CameraSetExposureTimeMS", milliseconds, &SimSettings::exposureTimeMs);
}

int __stdcall CameraGetExposureTimeMS(unsigned int* milliseconds)
{
    return GetSetting("CameraGetExposureTimeMS", milliseconds, &SimSettings::exposureTimeMs);
}

int __stdcall CameraSetGain(unsigned short red, unsigned short green, unsigned short blue)
{
    TheJournal().Record("CameraSetGain", {red, green, blue});
    TheCamera().ChangeSettings([=](SimSettings& settings) {
        settings.gainR = red;
        settings.gainG = green;
        settings.gainB = blue;
    });
    return 1;
}

int __stdcall CameraGetGain(int* red, int* green, int* blue)
{
    TheJournal().Record("CameraGetGain", {});
    if (!red || !green || !blue) {
        return 0;
    }
    const SimSettings settings = TheCamera().Settings();
    *red = settings.gainR;
    *green = settings.gainG;
    *blue = settings.gainB;
    return 1;
}

int __stdcall CameraSetGamma(unsigned char gamma)
{
    return SetSetting("CameraSetGamma", gamma, &SimSettings::gamma);
}

int __stdcall CameraGetGamma(unsigned char* gamma)
{
    return GetSetting("CameraGetGamma", gamma, &SimSettings::gamma);
}

int __stdcall CameraSetContrast(unsigned char contrast)
{
    return SetSetting("CameraSetContrast", contrast, &SimSettings::contrast);
}

int __stdcall CameraGetContrast(unsigned char* contrast)
{
    return GetSetting("CameraGetContrast", contrast, &SimSettings::contrast);
}

int __stdcall CameraSetSaturation(unsigned char saturation)
{
    return SetSetting("CameraSetSaturation", saturation, &SimSettings::saturation);
}

int __stdcall CameraGetSaturation(unsigned char* saturation)
{
    return GetSetting("CameraGetSaturation", saturation, &SimSettings::saturation);
}

int __stdcall CameraSetColorEnhancement(int on)
{
    return SetSetting("CameraSetColorEnhancement", on, &SimSettings::colorEnhancement);
}

int __stdcall CameraGetColorEnhancement(int* on)
{
    return GetSetting("CameraGetColorEnhancement", on, &SimSettings::colorEnhancement);
}

int __stdcall CameraSetFrameSpeed(int speed)
{
    return SetSetting("CameraSetFrameSpeed", speed, &SimSettings::frameSpeed);
}

int __stdcall CameraGetFrameSpeed(unsigned char* speed)
{
    return GetSetting("CameraGetFrameSpeed", speed, &SimSettings::frameSpeed);
}

int __stdcall CameraSetMonochrome(int on)
{
    return SetSetting("CameraSetMonochrome", on, &SimSettings::monochrome);
}

int __stdcall CameraGetMonochrome(int* on)
{
    return GetSetting("CameraGetMonochrome", on, &SimSettings::monochrome);
}

int __stdcall CameraSetMirror(int axis, int on)
{
    TheJournal().Record("CameraSetMirror", {axis, on});
    if (!ValidAxis(axis)) {
        return 0;
    }
    TheCamera().ChangeSettings([=](SimSettings& settings) {
        (axis == kMirrorHorizontal ? settings.hMirror : settings.vMirror) = on;
    });
    return 1;
}

int __stdcall CameraGetMirror(int axis, int* on)
{
    // The axis is an input: it is journaled, the result pointer is not.
    TheJournal().Record("CameraGetMirror", {axis});
    if (!ValidAxis(axis) || !on) {
        return 0;
    }
    const SimSettings settings = TheCamera().Settings();
    *on = axis == kMirrorHorizontal ? settings.hMirror : settings.vMirror;
    return 1;
}

int __stdcall CameraSetAWBState(int on)
{
    TheJournal().Record("CameraSetAWBState", {on});
    if (on) {
        TheCamera().RunAutoWhiteBalance();
    }
    return 1;
}

int __stdcall CameraRestartLongExposure(int restart)
{
    TheJournal().Record("CameraRestartLongExposure", {restart});
    if (restart) {
        TheCamera().RestartExposure();
    }
    return 1;
}

} // extern "C"

// The camera SDK functions of camera/CameraSdk.h, exported undecorated through
// ZorvikSDK.def. Each call except CameraGetImageDataRGB24 is journaled first
// (input arguments only; windows and the callback as 1 when given, else 0),
// then handed to the process's SimCamera. The settings' Set/Get exports come
// from the settings table (camera/CameraSettingFields.h).
#include "camera/CameraSdk.h"

#include "camera/CameraSettingFields.h"
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

// The value type of a one-value SDK Set, and the type a one-value Get writes,
// as camera/CameraSdk.h declares them.
template <class Value>
Value SetValueOf(int(__stdcall*)(Value));
template <class Value>
Value GetValueOf(int(__stdcall*)(Value*));

// The settings behind each gain channel (0 red, 1 green, 2 blue) and each
// mirror axis, in the table's order, which is their index order.
#define LUMORA_SIM_MEMBER(name, member, type, offset, initial, index) &SimSettings::name,
constexpr int32_t SimSettings::*kGainChannelSettings[kGainChannels] = {LUMORA_CAMERA_SETTING_FIELDS(
    LUMORA_SETTING_SKIP, LUMORA_SETTING_SKIP, LUMORA_SETTING_SKIP, LUMORA_SIM_MEMBER, LUMORA_SETTING_SKIP)};
constexpr int32_t SimSettings::*kMirrorAxisSettings[kMirrorAxes] = {LUMORA_CAMERA_SETTING_FIELDS(
    LUMORA_SETTING_SKIP, LUMORA_SETTING_SKIP, LUMORA_SETTING_SKIP, LUMORA_SETTING_SKIP, LUMORA_SIM_MEMBER)};
#undef LUMORA_SIM_MEMBER

bool ValidAxis(int axis)
{
    return axis >= 0 && axis < kMirrorAxes;
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

// CameraSet<name> and CameraGet<name> of every field the camera holds as a
// plain pair. Their parameter types are taken from the declarations in
// camera/CameraSdk.h, and a C function cannot be redeclared with other
// parameters, so these definitions match the SDK's signatures exactly.
#define LUMORA_SIM_PAIR_EXPORTS(name, member, type, offset, initial, index)                                   \
    int __stdcall CameraSet##name(decltype(SetValueOf(&::CameraSet##name)) value)                              \
    {                                                                                                          \
        return SetSetting("CameraSet" #name, value, &SimSettings::name);                                      \
    }                                                                                                          \
    int __stdcall CameraGet##name(decltype(GetValueOf(&::CameraGet##name))* value)                             \
    {                                                                                                          \
        return GetSetting("CameraGet" #name, value, &SimSettings::name);                                      \
    }
LUMORA_CAMERA_SETTING_FIELDS(LUMORA_SETTING_SKIP, LUMORA_SIM_PAIR_EXPORTS, LUMORA_SIM_PAIR_EXPORTS,
                             LUMORA_SETTING_SKIP, LUMORA_SETTING_SKIP)
#undef LUMORA_SIM_PAIR_EXPORTS

int __stdcall CameraSetGain(unsigned short red, unsigned short green, unsigned short blue)
{
    TheJournal().Record("CameraSetGain", {red, green, blue});
    const unsigned short values[kGainChannels] = {red, green, blue};
    TheCamera().ChangeSettings([&](SimSettings& settings) {
        for (int channel = 0; channel < kGainChannels; ++channel) {
            settings.*kGainChannelSettings[channel] = values[channel];
        }
    });
    return 1;
}

int __stdcall CameraGetGain(int* red, int* green, int* blue)
{
    TheJournal().Record("CameraGetGain", {});
    int* const values[kGainChannels] = {red, green, blue};
    if (!red || !green || !blue) {
        return 0;
    }
    const SimSettings settings = TheCamera().Settings();
    for (int channel = 0; channel < kGainChannels; ++channel) {
        *values[channel] = settings.*kGainChannelSettings[channel];
    }
    return 1;
}

int __stdcall CameraSetMirror(int axis, int on)
{
    TheJournal().Record("CameraSetMirror", {axis, on});
    if (!ValidAxis(axis)) {
        return 0;
    }
    TheCamera().ChangeSettings([=](SimSettings& settings) { settings.*kMirrorAxisSettings[axis] = on; });
    return 1;
}

int __stdcall CameraGetMirror(int axis, int* on)
{
    // The axis is an input: it is journaled, the result pointer is not.
    TheJournal().Record("CameraGetMirror", {axis});
    if (!ValidAxis(axis) || !on) {
        return 0;
    }
    *on = TheCamera().Settings().*kMirrorAxisSettings[axis];
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

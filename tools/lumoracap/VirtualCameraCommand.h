// lumoracap vcam: the Windows 11 virtual camera that shows Lumora Camera's
// media source to Media Foundation applications. The command's work over a
// given API, so that tests can hand it a stand-in for the system's.
#pragma once

#include "mediasource/VirtualCameraApi.h"
#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/Lumoracap.h"

// The camera's name as applications list it (the system may add to it).
extern const wchar_t kVirtualCameraName[];

// register: creates the camera (software camera source, system lifetime,
// all users) and starts it. unregister: removes it. status: prints what
// this Windows offers and whether the media source and the camera are
// registered. Without the API every action prints that the virtual camera
// needs Windows 11 and returns kExitNotSupported; a refusal for want of
// rights returns kExitAccessDenied.
int RunVcam(VcamAction action, const vcam::VirtualCameraApi& api, Console& console);

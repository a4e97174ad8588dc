// A value the camera holds, read through the SDK's getter in one expression: Held(CameraGetGamma). The value starts
// as 0xA5 bytes, so a getter that writes nothing does not pass for one that read 0.
#pragma once

#include <cstring>

#include "camera/CameraSdk.h"

namespace testenv {

template <class T>
T Held(int(__stdcall* getter)(T*))
{
    T value;
    std::memset(&value, 0xA5, sizeof(value));
    getter(&value);
    return value;
}

inline int HeldMirror(int axis)
{
    int on = -1;
    CameraGetMirror(axis, &on);
    return on;
}

} // namespace testenv

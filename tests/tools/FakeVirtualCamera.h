// A stand-in for the system's virtual camera: MFCreateVirtualCamera and the
// camera object it returns, which record what a caller asked of them and
// answer with the results a test chose. Plain functions (the API takes
// function pointers), so their state is one per process: a test resets it
// with Reset() before each case.
#pragma once

#include <string>
#include <vector>

#include "mediasource/VirtualCameraApi.h"

namespace toolstest {

struct FakeVirtualCameraState {
    // The results the next calls give.
    HRESULT createResult = S_OK;
    bool createReturnsCamera = true; // false: a success without an object
    HRESULT startResult = S_OK;
    HRESULT removeResult = S_OK;
    HRESULT supportedResult = S_OK;
    BOOL supported = TRUE;

    // What was asked: the calls in order ("Create", "Start(null)",
    // "Start(callback)", "Remove", "Shutdown", ...) and Create's arguments.
    std::vector<std::string> calls;
    int type = -1;
    int lifetime = -1;
    int access = -1;
    std::wstring friendlyName;
    std::wstring sourceId;
    const GUID* categories = nullptr;
    ULONG categoryCount = 0;
    // Camera objects not yet released.
    long liveCameras = 0;
};

FakeVirtualCameraState& FakeVirtualCamera();
// Sets the state back to its defaults (results S_OK, nothing asked).
void ResetFakeVirtualCamera();
// An API whose functions are the stand-in's.
vcam::VirtualCameraApi FakeVirtualCameraApi();

} // namespace toolstest

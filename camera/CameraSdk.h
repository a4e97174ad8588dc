// The camera maker's SDK, ZorvikSDK.dll, as this driver uses it.
//
// One declaration serves both sides: the simulated camera (simcamera/) defines
// these functions and exports them undecorated through its .def file; the
// driver never links against them but resolves them at run time by name
// (camera/CameraSdkLoader.h), so a vendor library with the same exports
// replaces the simulator file for file.
//
// Every function returns an integer status; 1 means success where a result is
// looked at (CameraInit, CameraGetImageSize, CameraPlay). Settings come in
// Set/Get pairs: Set takes the value, Get a pointer that receives it.
#pragma once

#include <windows.h>

// Posted by the SDK to the window given to CameraInit when a new image is
// ready; both message parameters are ignored.
constexpr UINT WM_CAMERA_FRAME = WM_USER + 101; // 1125

// Mirror axes for CameraSetMirror / CameraGetMirror.
constexpr int kMirrorHorizontal = 0;
constexpr int kMirrorVertical = 1;

// Frame speed codes for CameraSetFrameSpeed / CameraGetFrameSpeed.
constexpr int kFrameSpeedHigh = 1;
constexpr int kFrameSpeedNormal = 2;

// Handed to CameraInit; the SDK may call it with a 32-bit value.
typedef int(__stdcall* CameraCallback)(int value);

extern "C" {

// Lifecycle and frames.
int __stdcall CameraInit(CameraCallback callback, int resolution, HWND displayWindow, HWND notifyWindow);
int __stdcall CameraUnInit(void);
int __stdcall CameraPlay(void);
int __stdcall CameraStop(void);
int __stdcall CameraGetImageSize(int* width, int* height);
// Copies the newest image, width x height x 3 bytes (B, G, R; rows bottom-up).
int __stdcall CameraGetImageDataRGB24(unsigned char* buffer);

// Settings.
int __stdcall CameraSetAeState(int on);
int __stdcall CameraGetAeState(int* on);
int __stdcall CameraSetAeTarget(unsigned char target);
int __stdcall CameraGetAeTarget(unsigned char* target);
int __stdcall CameraSetAnalogGain(unsigned short gain);
int __stdcall CameraGetAnalogGain(unsigned short* gain);
int __stdcall CameraSetExposureTimeMS(unsigned int milliseconds);
int __stdcall CameraGetExposureTimeMS(unsigned int* milliseconds);
int __stdcall CameraSetGain(unsigned short red, unsigned short green, unsigned short blue);
int __stdcall CameraGetGain(int* red, int* green, int* blue);
int __stdcall CameraSetGamma(unsigned char gamma);
int __stdcall CameraGetGamma(unsigned char* gamma);
int __stdcall CameraSetContrast(unsigned char contrast);
int __stdcall CameraGetContrast(unsigned char* contrast);
int __stdcall CameraSetSaturation(unsigned char saturation);
int __stdcall CameraGetSaturation(unsigned char* saturation);
int __stdcall CameraSetColorEnhancement(int on);
int __stdcall CameraGetColorEnhancement(int* on);
int __stdcall CameraSetFrameSpeed(int speed);
int __stdcall CameraGetFrameSpeed(unsigned char* speed);
int __stdcall CameraSetMonochrome(int on);
int __stdcall CameraGetMonochrome(int* on);
int __stdcall CameraSetMirror(int axis, int on);
int __stdcall CameraGetMirror(int axis, int* on);

// Used by the settings page only.
int __stdcall CameraSetAWBState(int on);
int __stdcall CameraRestartLongExposure(int restart);

} // extern "C"

// The list of every SDK function, for tables built over all of them (the
// run-time loader's function table, the simulator's .def check).
#define ZORVIK_SDK_FUNCTIONS(X)                                                                    \
    X(CameraInit) X(CameraUnInit) X(CameraPlay) X(CameraStop) X(CameraGetImageSize)                \
    X(CameraGetImageDataRGB24) X(CameraSetAeState) X(CameraGetAeState) X(CameraSetAeTarget)       \
    X(CameraGetAeTarget) X(CameraSetAnalogGain) X(CameraGetAnalogGain) X(CameraSetExposureTimeMS) \
    X(CameraGetExposureTimeMS) X(CameraSetGain) X(CameraGetGain) X(CameraSetGamma)                \
    X(CameraGetGamma) X(CameraSetContrast) X(CameraGetContrast) X(CameraSetSaturation)            \
    X(CameraGetSaturation) X(CameraSetColorEnhancement) X(CameraGetColorEnhancement)              \
    X(CameraSetFrameSpeed) X(CameraGetFrameSpeed) X(CameraSetMonochrome) X(CameraGetMonochrome)   \
    X(CameraSetMirror) X(CameraGetMirror) X(CameraSetAWBState) X(CameraRestartLongExposure)

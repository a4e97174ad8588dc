// The fixed identifiers of this driver. Generated once; registry entries and
// saved graphs refer to them, so they never change.
#pragma once

#include <windows.h>

// {305B8F15-5889-4924-A0B1-0E34AA3E7656} the capture filter "Lumora Camera"
inline constexpr GUID CLSID_LumoraCameraFilter = {
    0x305b8f15, 0x5889, 0x4924, {0xa0, 0xb1, 0x0e, 0x34, 0xaa, 0x3e, 0x76, 0x56}};

// {1CD7A184-CD10-45AB-95E7-E6766775094C} the "Camera Set" property page
inline constexpr GUID CLSID_CameraSettingsPage = {
    0x1cd7a184, 0xcd10, 0x45ab, {0x95, 0xe7, 0xe6, 0x76, 0x67, 0x75, 0x09, 0x4c}};

// {1876BDAB-7E5F-4D40-A121-A2C458873604} the "Format" property page
inline constexpr GUID CLSID_FormatPage = {
    0x1876bdab, 0x7e5f, 0x4d40, {0xa1, 0x21, 0xa2, 0xc4, 0x58, 0x87, 0x36, 0x04}};

// {F9F4CA0E-BB16-4C20-8631-E8670D115FBF} ICameraSettings
inline constexpr GUID IID_ICameraSettings = {
    0xf9f4ca0e, 0xbb16, 0x4c20, {0x86, 0x31, 0xe8, 0x67, 0x0d, 0x11, 0x5f, 0xbf}};

// {1CA7ACDC-65CC-4061-96CD-2ABFA630AE5E} ICameraFilterMarker
inline constexpr GUID IID_ICameraFilterMarker = {
    0x1ca7acdc, 0x65cc, 0x4061, {0x96, 0xcd, 0x2a, 0xbf, 0xa6, 0x30, 0xae, 0x5e}};

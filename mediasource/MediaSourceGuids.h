// The class id of Lumora Camera's Media Foundation source
// (LumoraMediaSource.dll). Generated once; never changed: the registry, the
// virtual camera and the setup program name the source by it.
#pragma once

#include <windows.h>

// {03BFB56A-A1B6-4745-AAB7-22A78DACED87}
inline constexpr GUID CLSID_LumoraMediaSource = {
    0x03bfb56a, 0xa1b6, 0x4745, {0xaa, 0xb7, 0x22, 0xa7, 0x8d, 0xac, 0xed, 0x87}};

// The class's description in the registry.
constexpr const wchar_t* kMediaSourceName = L"Lumora Camera Media Source";

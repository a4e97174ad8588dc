// Writing a 24-bit frame as a PNG file with the platform's imaging component
// (WIC). The caller has COM initialised on its thread.
#pragma once

#include <windows.h>

#include <string>

// Writes width x height pixels of 3 bytes (B, G, R), rows stride bytes apart,
// upright: a bottom-up frame (the first row in memory is the bottom of the
// picture, as in a DIB with positive height) is turned over. pixels must hold
// height rows. Returns the first failing step's result.
HRESULT WritePng(const std::wstring& path, const BYTE* pixels, int width, int height, size_t stride, bool bottomUp);

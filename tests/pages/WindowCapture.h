// Screenshots of real windows for the property page tests: copies a window's area from the screen (Xvfb) and writes it
// as PNG with the platform's imaging component (WIC). The caller has COM initialised on its thread.
#pragma once

#include <windows.h>

#include <string>

struct WindowCaptureResult {
    bool saved = false;       // the PNG was written
    int width = 0, height = 0;
    int distinctColours = 0;  // a blank capture has one or two
};

WindowCaptureResult SaveWindowPng(HWND window, const std::string& path);

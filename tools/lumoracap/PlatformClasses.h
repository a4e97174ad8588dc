// Class ids of platform filters that the mingw-w64 headers do not define
// (published with the platform's sample grabber and null renderer).
#pragma once

#include <windows.h>

// {C1F400A0-3F08-11D3-9F0B-006008039E37}
inline constexpr CLSID kClsidSampleGrabber = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
// {C1F400A4-3F08-11D3-9F0B-006008039E37}
inline constexpr CLSID kClsidNullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

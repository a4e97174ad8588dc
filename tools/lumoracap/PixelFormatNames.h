// The names lumoracap gives pixel formats: on its command line (--format
// nv12) and in what it prints (NV12, or a subtype's FOURCC).
#pragma once

#include <windows.h>

#include <string>

#include "camera/PixelFormat.h"

// rgb24, rgb32, yuy2, nv12, i420 (or iyuv, the same layout) and y800, in any
// case. False for anything else.
bool ParsePixelFormatName(const std::wstring& name, PixelFormat* format);

// A media subtype's name: the format's name where it is one of them, the
// four characters of another FOURCC subtype, else the GUID.
std::string SubtypeName(const GUID& subtype);

// The module's instance handle, recorded by DllMain when ZorvikFilter.dll is
// loaded; registration writes the module's file name from it.
//
// The layers below the module (camera, pages) do not read it: they ask the
// system for the module that holds their code (win::CodeModule), which is
// this DLL, or the program that links them statically.
#pragma once

#include <windows.h>

extern HINSTANCE moduleHandle;

// Owner of a loaded module (a DLL reference from LoadLibrary or
// GetModuleHandleEx), and the module this code is linked into.
#pragma once

#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

// Owns one reference on a loaded module and drops it (FreeLibrary) once.
using UniqueModule = UniqueResource<FreedBy<HMODULE, &FreeLibrary>>;

// The module whose image holds this code: ZorvikFilter.dll for the filter,
// or the program that links the code statically (tests, the benchmark). Its
// resources, windows and file name are the module's own; no reference is
// taken. Null only if the system cannot tell (never seen).
HMODULE CodeModule();

// A counted reference on CodeModule(), which keeps it loaded until the owner
// goes (a thread of a DLL holds one, so the DLL cannot be unloaded under it).
UniqueModule ReferenceCodeModule();

} // namespace win

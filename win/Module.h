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

// name loaded from the system folder only (LoadLibraryEx with
// LOAD_LIBRARY_SEARCH_SYSTEM32), never a DLL of that name beside the
// program; null when it cannot be loaded (GetLastError says why).
UniqueModule LoadSystemLibrary(const wchar_t* name);

// The function module exports as name, as a Function; null when module is
// null or has no such export.
template <class Function>
Function ProcedureOf(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

} // namespace win

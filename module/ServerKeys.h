// The COM server keys of the module's classes under HKEY_CLASSES_ROOT, one
// per row of the factory table (the key writing itself: win/ServerKeys.h).
#pragma once

#include <windows.h>

// For each row of the factory table in order: win::RegisterServerKey
// (register, ThreadingModel "Both") or win::UnregisterServerKey; stops at the
// first failure and returns it.
HRESULT WriteServerKeys(const wchar_t* modulePath, bool registering);

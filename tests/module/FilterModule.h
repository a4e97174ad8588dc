// The built ZorvikFilter.dll as a user installs it: registered with the platform's regsvr32 in a child process,
// and what the registry then says about its classes.
#pragma once

#include <windows.h>

#include <string>

namespace moduletest {

// ZorvikFilter.dll beside this program.
std::wstring FilterModulePath();

// Runs "regsvr32 /s [/u] path": its exit code, -1 when it could not start or did not end within a minute.
int RunRegsvr32(const std::wstring& path, bool unregister);

// Registers the DLL beside this program; true when regsvr32 reported success.
bool RegisterFilterModule();

// "CLSID\{...}" for a class id.
std::wstring ClassKeyName(REFCLSID classId);

// DllCanUnloadNow of the ZorvikFilter.dll COM loaded into this process; S_OK also when it is not loaded.
HRESULT LoadedModuleCanUnload();

} // namespace moduletest

// The COM server keys of the module's classes under HKEY_CLASSES_ROOT:
// "CLSID\{class id}" with the class description, and its "InprocServer32"
// subkey with the module path and "ThreadingModel".
#pragma once

#include <windows.h>

// Creates (or opens) the class key and its server subkey and writes the three
// values. Stops at the first failure (keys already written stay) and returns
// it as an HRESULT.
HRESULT RegisterServerKey(REFCLSID classId, const wchar_t* description, const wchar_t* modulePath,
                          const wchar_t* threadingModel, const wchar_t* serverType);

// Deletes the class key with all its subkeys; S_OK also when it is missing.
HRESULT UnregisterServerKey(REFCLSID classId);

// Deletes subkey of parent with everything below it. An empty name gives
// E_FAIL; a subkey that does not exist gives S_OK; a key that cannot be
// deleted gives its error.
HRESULT DeleteKeyTree(HKEY parent, const wchar_t* subkey);

// For each row of the factory table in order: RegisterServerKey (register) or
// UnregisterServerKey; stops at the first failure and returns it.
HRESULT WriteServerKeys(const wchar_t* modulePath, bool registering);

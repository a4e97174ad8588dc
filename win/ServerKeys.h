// The COM server keys of an in-process class under a classes root
// (HKEY_CLASSES_ROOT, or an opened HKLM\Software\Classes): "CLSID\{class id}"
// with the class description, and its server subkey with the module path and
// "ThreadingModel"; and removing a key with everything below it.
#pragma once

#include <windows.h>

namespace win {

// Creates (or opens) the class key under classesRoot and its server subkey
// and writes the three values. Stops at the first failure (keys already
// written stay) and returns it as an HRESULT.
HRESULT RegisterServerKey(HKEY classesRoot, REFCLSID classId, const wchar_t* description, const wchar_t* modulePath,
                          const wchar_t* threadingModel, const wchar_t* serverType);

// Deletes the class key under classesRoot with all its subkeys; S_OK also
// when it is missing.
HRESULT UnregisterServerKey(HKEY classesRoot, REFCLSID classId);

// Deletes subkey of parent with everything below it. An empty name gives
// E_FAIL; a subkey that does not exist gives S_OK; a key that cannot be
// deleted gives its error.
HRESULT DeleteKeyTree(HKEY parent, const wchar_t* subkey);

} // namespace win

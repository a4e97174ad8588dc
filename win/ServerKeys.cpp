#include "win/ServerKeys.h"

#include <cwchar>
#include <string>

#include "win/HResult.h"
#include "win/RegistryKey.h"

namespace win {

namespace {

// "CLSID\{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::wstring ClassKeyName(REFCLSID classId)
{
    wchar_t text[39] = {};
    StringFromGUID2(classId, text, 39);
    return std::wstring(L"CLSID\\") + text;
}

HRESULT SetStringValue(HKEY key, const wchar_t* name, const wchar_t* value)
{
    const DWORD bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
    return HRESULT_FROM_WIN32(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes));
}

// Creates (or opens) subkey of parent for writing.
HRESULT CreateKey(HKEY parent, const wchar_t* subkey, win::RegistryKey* key)
{
    return HRESULT_FROM_WIN32(RegCreateKeyExW(parent, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                              nullptr, key->Receive(), nullptr));
}

// Removes subkey and everything below it; the Win32 result of the first step
// that failed (ERROR_FILE_NOT_FOUND when the key is not there).
LONG RemoveKeyTree(HKEY parent, const wchar_t* subkey)
{
    {
        win::RegistryKey key;
        const LONG opened = RegOpenKeyExW(parent, subkey, 0, MAXIMUM_ALLOWED, key.Receive());
        if (opened != ERROR_SUCCESS) {
            return opened;
        }
        // Always child 0: each removal moves the next child to the front. A
        // child that stays (one that may not be opened or deleted) ends the
        // walk with its error instead of being found again forever.
        wchar_t child[MAX_PATH + 1];
        DWORD length = MAX_PATH + 1;
        while (RegEnumKeyExW(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            const LONG removed = RemoveKeyTree(key.Get(), child);
            if (removed != ERROR_SUCCESS) {
                return removed;
            }
            length = MAX_PATH + 1;
        }
    } // closed before it is deleted
    return RegDeleteKeyW(parent, subkey);
}

} // namespace

HRESULT RegisterServerKey(HKEY classesRoot, REFCLSID classId, const wchar_t* description, const wchar_t* modulePath,
                          const wchar_t* threadingModel, const wchar_t* serverType)
{
    win::RegistryKey classKey;
    RETURN_IF_FAILED(CreateKey(classesRoot, ClassKeyName(classId).c_str(), &classKey));
    RETURN_IF_FAILED(SetStringValue(classKey.Get(), nullptr, description));
    win::RegistryKey serverKey;
    RETURN_IF_FAILED(CreateKey(classKey.Get(), serverType, &serverKey));
    RETURN_IF_FAILED(SetStringValue(serverKey.Get(), nullptr, modulePath));
    return SetStringValue(serverKey.Get(), L"ThreadingModel", threadingModel);
}

HRESULT UnregisterServerKey(HKEY classesRoot, REFCLSID classId)
{
    return DeleteKeyTree(classesRoot, ClassKeyName(classId).c_str());
}

HRESULT DeleteKeyTree(HKEY parent, const wchar_t* subkey)
{
    if (!subkey || !*subkey) {
        return E_FAIL;
    }
    const LONG error = RemoveKeyTree(parent, subkey);
    return (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND) ? S_OK : HRESULT_FROM_WIN32(error);
}

} // namespace win

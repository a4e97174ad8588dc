#include "tests/support/Registry.h"

#include <objbase.h>

#include "win/RegistryKey.h"

namespace testenv {
namespace {

win::RegistryKey Open(HKEY root, const std::wstring& path, REGSAM view)
{
    win::RegistryKey key;
    RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Receive());
    return key;
}

} // namespace

std::wstring GuidText(REFGUID guid)
{
    wchar_t text[39] = {};
    StringFromGUID2(guid, text, 39);
    return text;
}

std::wstring ReadRegistryString(HKEY root, const std::wstring& path, const wchar_t* value, REGSAM view)
{
    const win::RegistryKey key = Open(root, path, view);
    wchar_t data[2048] = {};
    DWORD bytes = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (!key || RegQueryValueExW(key.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) !=
                    ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::wstring();
    }
    return data;
}

bool ReadRegistryDword(HKEY root, const std::wstring& path, const wchar_t* value, DWORD* data, REGSAM view)
{
    const win::RegistryKey key = Open(root, path, view);
    DWORD bytes = sizeof(*data);
    DWORD type = 0;
    return key &&
           RegQueryValueExW(key.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

bool RegistryKeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    return static_cast<bool>(Open(root, path, view));
}

std::vector<std::wstring> RegistrySubkeys(HKEY root, const std::wstring& path, REGSAM view)
{
    std::vector<std::wstring> names;
    const win::RegistryKey key = Open(root, path, view);
    wchar_t name[256];
    for (DWORD i = 0; key; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

void DumpRegistryKey(HKEY root, const std::wstring& path, REGSAM access, const std::wstring& label,
                     std::map<std::wstring, std::wstring>* lines)
{
    const win::RegistryKey key = Open(root, path, access);
    if (!key) {
        return;
    }
    wchar_t name[256];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        DWORD bytes = sizeof(data);
        DWORD type = 0;
        if (RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, data, &bytes) != ERROR_SUCCESS) {
            break;
        }
        (*lines)[label + L"|" + name] = std::wstring(reinterpret_cast<wchar_t*>(data), bytes / sizeof(wchar_t));
    }
    for (const std::wstring& subkey : RegistrySubkeys(root, path, access)) {
        DumpRegistryKey(root, path + L"\\" + subkey, access, label + L"\\" + subkey, lines);
    }
}

} // namespace testenv

#include "tests/support/RegistryDump.h"

#include <vector>

#include "win/RegistryKey.h"

namespace testenv {

void DumpRegistryKey(HKEY root, const std::wstring& path, REGSAM access, const std::wstring& label,
                     std::map<std::wstring, std::wstring>* lines)
{
    win::RegistryKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | access, key.Receive()) != ERROR_SUCCESS) {
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
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name, nameLength);
    }
    for (const std::wstring& subkey : subkeys) {
        DumpRegistryKey(root, path + L"\\" + subkey, access, label + L"\\" + subkey, lines);
    }
}

} // namespace testenv

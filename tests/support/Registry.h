// Registry values read as an administrator reads them. view: KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0; missing: empty.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace testenv {

// "{xxxxxxxx-...}", as the registry names a class id or category.
std::wstring GuidText(REFGUID guid);

std::wstring ReadRegistryString(HKEY root, const std::wstring& path, const wchar_t* value, REGSAM view = 0);
bool ReadRegistryDword(HKEY root, const std::wstring& path, const wchar_t* value, DWORD* data, REGSAM view = 0);
bool RegistryKeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
std::vector<std::wstring> RegistrySubkeys(HKEY root, const std::wstring& path, REGSAM view = 0);

// Adds every value of root\path and its subkeys to *lines as "label\sub\key|value" -> its bytes as UTF-16 text.
void DumpRegistryKey(HKEY root, const std::wstring& path, REGSAM access, const std::wstring& label,
                     std::map<std::wstring, std::wstring>* lines);

} // namespace testenv

// A registry key and everything under it as "label\sub\key|value" -> data
// lines, to compare whole states before and after an operation.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace testenv {

// Adds to *lines every value of root\path and of its subkeys, read with
// KEY_READ | access (a registry view such as KEY_WOW64_32KEY, or 0). Each
// line's key is label, the subkey path below path, "|" and the value name;
// its data is the value's bytes as UTF-16 text. A key that does not open
// adds nothing.
void DumpRegistryKey(HKEY root, const std::wstring& path, REGSAM access, const std::wstring& label,
                     std::map<std::wstring, std::wstring>* lines);

} // namespace testenv

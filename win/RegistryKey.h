// Owner of an open registry key, closed when the owner goes.
#pragma once

#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

struct RegistryKeyTraits {
    using Handle = HKEY;
    static HKEY Adopt(HKEY key) { return key; }
    static void Free(HKEY key) { RegCloseKey(key); }
};

// Receive() closes the held key and returns where RegOpenKeyEx / RegCreateKeyEx
// store the next one.
using RegistryKey = UniqueResource<RegistryKeyTraits>;

} // namespace win

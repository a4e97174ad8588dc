// Owner of an open registry key, closed when the owner goes.
#pragma once

#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

// Receive() closes the held key and returns where RegOpenKeyEx / RegCreateKeyEx
// store the next one.
using RegistryKey = UniqueResource<FreedBy<HKEY, &RegCloseKey>>;

} // namespace win

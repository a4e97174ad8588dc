#include "win/Platform.h"

namespace win {

DWORD PlatformId()
{
    static const DWORD platform = [] {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        return GetVersionExA(&version) ? version.dwPlatformId : static_cast<DWORD>(1);
    }();
    return platform;
}

} // namespace win

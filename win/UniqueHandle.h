// Owns one kernel handle (event, thread, file, snapshot) and closes it once.
#pragma once

#include <windows.h>

#include "win/UniqueResource.h"

namespace win {

struct KernelHandleTraits {
    using Handle = HANDLE;
    // Both null and INVALID_HANDLE_VALUE mean "no handle", so the results of
    // CreateEvent and CreateFile can be taken as they come.
    static HANDLE Adopt(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }
    static void Free(HANDLE handle) { CloseHandle(handle); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;

} // namespace win

#include "bench/ProcessProbe.h"

#include <psapi.h>

#include "diagnostics/ProcessCounts.h"
#include "win/UniqueHandle.h"

namespace probe {
namespace {

double FileTimeMs(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0; // 100-ns units
}

BOOL CALLBACK FindCaptureWindow(HWND window, LPARAM found)
{
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (processId != GetCurrentProcessId()) {
        return TRUE;
    }
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    // The controller's window is a hidden popup of the system button class;
    // this program creates no other window of that class.
    if (lstrcmpiA(className, "Button") == 0 && (GetWindowLongPtrA(window, GWL_STYLE) & WS_POPUP)) {
        *reinterpret_cast<DWORD*>(found) = threadId;
        return FALSE;
    }
    return TRUE;
}

} // namespace

double ProcessCpuMs()
{
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
        return 0;
    }
    return FileTimeMs(kernel) + FileTimeMs(user);
}

uint64_t PeakWorkingSetBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        return 0;
    }
    return counters.PeakWorkingSetSize;
}

uint64_t WorkingSetBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        return 0;
    }
    return counters.WorkingSetSize;
}

std::map<DWORD, double> ThreadCpuMs()
{
    std::map<DWORD, double> times;
    for (const DWORD id : win::ThreadIdsOfProcess()) {
        const win::UniqueHandle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, id));
        FILETIME creation, exit, kernel, user;
        if (thread && GetThreadTimes(thread.Get(), &creation, &exit, &kernel, &user)) {
            times[id] = FileTimeMs(kernel) + FileTimeMs(user);
        }
    }
    return times;
}

DWORD CameraCaptureThreadId()
{
    DWORD found = 0;
    EnumWindows(&FindCaptureWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace probe

#include "diagnostics/ProcessCounts.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "win/UniqueHandle.h"

namespace win {

namespace {
// SystemHandleInformation (class 16): every open handle of the system.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handleValue;
    PVOID object;
    ULONG access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry handles[1];
};
using QuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
} // namespace

int HandleCount()
{
    static auto query = reinterpret_cast<QuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) {
        return -1;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) {
            break;
        }
        if (static_cast<ULONG>(status) != 0xC0000004 /* STATUS_INFO_LENGTH_MISMATCH */) {
            return -1;
        }
        buffer.resize(buffer.size() * 2);
    }
    const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
    const DWORD self = GetCurrentProcessId();
    int count = 0;
    for (ULONG i = 0; i < list->count; ++i) {
        if (list->handles[i].ownerPid == self) {
            ++count;
        }
    }
    return count;
}

std::vector<unsigned long> ThreadIdsOfProcess()
{
    std::vector<unsigned long> ids;
    const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) {
        return ids;
    }
    const DWORD self = GetCurrentProcessId();
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == self) {
            ids.push_back(entry.th32ThreadID);
        }
    }
    return ids;
}

int ThreadCount()
{
    const std::vector<unsigned long> ids = ThreadIdsOfProcess();
    return ids.empty() ? -1 : static_cast<int>(ids.size());
}

bool WaitForCounts(int handles, int threads, unsigned timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HandleCount() - kRuntimeHandleSlack <= handles && ThreadCount() <= threads) {
            return true;
        }
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
}

} // namespace win

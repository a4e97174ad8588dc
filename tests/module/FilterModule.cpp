#include "tests/module/FilterModule.h"

#include <objbase.h>

#include "tests/support/TestEnvironment.h"

namespace moduletest {

std::wstring FilterModulePath()
{
    const std::string folder = testenv::ProgramFolder();
    return std::wstring(folder.begin(), folder.end()) + L"ZorvikFilter.dll";
}

int RunRegsvr32(const std::wstring& path, bool unregister)
{
    // The regsvr32 of this program's architecture: a 32-bit program on a
    // 64-bit system takes the one in the WOW64 system folder.
    wchar_t system[MAX_PATH] = {};
#ifdef _WIN64
    GetSystemDirectoryW(system, MAX_PATH);
#else
    if (GetSystemWow64DirectoryW(system, MAX_PATH) == 0) {
        GetSystemDirectoryW(system, MAX_PATH);
    }
#endif
    std::wstring commandLine = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s " +
                               (unregister ? L"/u " : L"") + L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

bool RegisterFilterModule()
{
    return RunRegsvr32(FilterModulePath(), false) == 0;
}

std::wstring ClassKeyName(REFCLSID classId)
{
    wchar_t text[39] = {};
    StringFromGUID2(classId, text, 39);
    return std::wstring(L"CLSID\\") + text;
}

std::wstring ReadClassesString(const std::wstring& key, const wchar_t* valueName)
{
    wchar_t value[1024] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), valueName, RRF_RT_REG_SZ, nullptr, value, &bytes) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    return value;
}

bool ClassesKeyExists(const std::wstring& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

HRESULT LoadedModuleCanUnload()
{
    HMODULE module = GetModuleHandleW(L"ZorvikFilter.dll");
    if (!module) {
        return S_OK;
    }
    using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = reinterpret_cast<CanUnloadFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    return canUnload ? canUnload() : E_FAIL;
}

} // namespace moduletest

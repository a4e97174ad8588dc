#include "tests/module/FilterModule.h"

#include <objbase.h>

#include "tests/support/ChildProcess.h"
#include "tests/support/Registry.h"
#include "tests/support/TestEnvironment.h"

namespace moduletest {

std::wstring FilterModulePath()
{
    return testenv::Wide(testenv::ProgramFolder()) + L"ZorvikFilter.dll";
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
    testenv::ChildProcess regsvr32(L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s " +
                                   (unregister ? L"/u " : L"") + L"\"" + path + L"\"");
    int exitCode = -1;
    return regsvr32.Wait(60000, &exitCode) ? exitCode : -1;
}

bool RegisterFilterModule()
{
    return RunRegsvr32(FilterModulePath(), false) == 0;
}

std::wstring ClassKeyName(REFCLSID classId)
{
    return L"CLSID\\" + testenv::GuidText(classId);
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

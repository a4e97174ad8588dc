#include "camera/CameraSdkLoader.h"

#include <string>

#include "win/Module.h"

namespace {

const wchar_t kSdkFileName[] = L"ZorvikSDK.dll";

// The stand-in for a missing SDK function: same signature and calling
// convention as the real one (on 32-bit, the callee pops its arguments),
// ignores its arguments, writes nothing and returns 0.
template <typename... Args>
int __stdcall DoNothing(Args...)
{
    return 0;
}

template <typename... Args>
void Resolve(HMODULE library, const char* name, int(__stdcall*& entry)(Args...))
{
    FARPROC address = library ? GetProcAddress(library, name) : nullptr;
    if (address) {
        entry = reinterpret_cast<int(__stdcall*)(Args...)>(reinterpret_cast<void*>(address));
    } else {
        entry = &DoNothing<Args...>;
    }
}

// The folder of the module this code is linked into (the filter DLL, or a
// program that links the camera code statically), ending in a separator;
// empty when it cannot be found.
std::wstring OwnModuleFolder()
{
    const HMODULE self = win::CodeModule();
    if (!self) {
        return std::wstring();
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(self, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) {
            return std::wstring(); // longer than any path the system allows
        }
        path.resize(path.size() * 2); // truncated: try a larger buffer
    }
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

CameraSdk LoadCameraSdk()
{
    win::UniqueModule library;
    const std::wstring folder = OwnModuleFolder();
    if (!folder.empty()) {
        // A full path: the loader does not search. The SDK's own
        // dependencies are looked for beside it first.
        library.Reset(LoadLibraryExW((folder + kSdkFileName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    }
    CameraSdk sdk;
#define LUMORA_SDK_RESOLVE(name) Resolve(library.Get(), #name, sdk.name);
    ZORVIK_SDK_FUNCTIONS(LUMORA_SDK_RESOLVE)
#undef LUMORA_SDK_RESOLVE
    sdk.present = static_cast<bool>(library);
    // Never freed: the table points into the library, which the capture
    // thread and the settings page may call at any time until the process ends.
    library.Release();
    return sdk;
}

} // namespace

const CameraSdk& GetCameraSdk()
{
    // Initialised once, on first use, by whichever thread gets here first;
    // other threads wait for it (thread-safe static initialisation).
    static const CameraSdk sdk = LoadCameraSdk();
    return sdk;
}

#include "win/Module.h"

namespace win {
namespace {

// Any address inside this module's image.
HMODULE ModuleContaining(const void* address, DWORD flags)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | flags, static_cast<LPCWSTR>(address), &module)) {
        return nullptr;
    }
    return module;
}

const char kAnchor = 0;

} // namespace

HMODULE CodeModule()
{
    return ModuleContaining(&kAnchor, GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT);
}

UniqueModule ReferenceCodeModule()
{
    return UniqueModule(ModuleContaining(&kAnchor, 0));
}

UniqueModule LoadSystemLibrary(const wchar_t* name)
{
    return UniqueModule(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

} // namespace win

// Owner of a loaded module (a DLL reference from LoadLibrary or
// GetModuleHandleEx), and the module this code is linked into.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

class UniqueModule {
public:
    UniqueModule() = default;
    explicit UniqueModule(HMODULE module) : m_module(module) {}
    ~UniqueModule() { Reset(); }

    UniqueModule(UniqueModule&& other) noexcept : m_module(other.Release()) {}
    UniqueModule& operator=(UniqueModule&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueModule(const UniqueModule&) = delete;
    UniqueModule& operator=(const UniqueModule&) = delete;

    HMODULE Get() const { return m_module; }
    explicit operator bool() const { return m_module != nullptr; }

    // Drops the held reference (FreeLibrary) and takes another.
    void Reset(HMODULE module = nullptr)
    {
        const HMODULE previous = std::exchange(m_module, module);
        if (previous) {
            FreeLibrary(previous);
        }
    }
    // Hands the reference to the caller.
    HMODULE Release() { return std::exchange(m_module, nullptr); }

private:
    HMODULE m_module = nullptr;
};

// The module whose image holds this code: ZorvikFilter.dll for the filter,
// or the program that links the code statically (tests, the benchmark). Its
// resources, windows and file name are the module's own; no reference is
// taken. Null only if the system cannot tell (never seen).
HMODULE CodeModule();

// A counted reference on CodeModule(), which keeps it loaded until the owner
// goes (a thread of a DLL holds one, so the DLL cannot be unloaded under it).
UniqueModule ReferenceCodeModule();

} // namespace win

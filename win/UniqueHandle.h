// Owns one kernel handle (event, thread, file, snapshot) and closes it once.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

class UniqueHandle {
public:
    UniqueHandle() = default;
    // Takes ownership; both null and INVALID_HANDLE_VALUE mean "no handle",
    // so the results of CreateEvent and CreateFile can be taken as they come.
    explicit UniqueHandle(HANDLE handle) : m_handle(Normalised(handle)) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    // Closes the held handle (if any) and takes another.
    void Reset(HANDLE handle = nullptr)
    {
        const HANDLE previous = std::exchange(m_handle, Normalised(handle));
        if (previous) {
            CloseHandle(previous);
        }
    }
    // Hands the handle to the caller, who closes it.
    HANDLE Release() { return std::exchange(m_handle, nullptr); }

private:
    static HANDLE Normalised(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

    HANDLE m_handle = nullptr;
};

} // namespace win

// Owns one kernel handle (event, thread) and closes it when it goes.
#pragma once

#include <windows.h>

class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

    // Closes the held handle (if any) and takes ownership of another.
    void Reset(HANDLE other = nullptr)
    {
        if (handle) {
            CloseHandle(handle);
        }
        handle = other;
    }

private:
    HANDLE handle = nullptr;
};

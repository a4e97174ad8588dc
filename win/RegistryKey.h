// Owner of an open registry key, closed when the owner goes.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Reset(); }

    RegistryKey(RegistryKey&& other) noexcept : m_key(std::exchange(other.m_key, nullptr)) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_key = std::exchange(other.m_key, nullptr);
        }
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

    // Closes the held key and returns where RegOpenKeyEx / RegCreateKeyEx
    // store the next one.
    HKEY* Receive()
    {
        Reset();
        return &m_key;
    }
    void Reset()
    {
        if (m_key) {
            RegCloseKey(std::exchange(m_key, nullptr));
        }
    }

private:
    HKEY m_key = nullptr;
};

} // namespace win

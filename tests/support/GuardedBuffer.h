// A buffer of exactly the asked size that ends where a page nobody may touch begins: a write one byte past its end
// faults at once instead of corrupting memory quietly.
#pragma once

#include <windows.h>

#include <cstddef>

namespace testenv {

class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size)
    {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const size_t page = system.dwPageSize;
        const size_t usable = (size + page - 1) / page * page;
        m_base = static_cast<unsigned char*>(VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT,
                                                          PAGE_READWRITE));
        if (m_base) {
            DWORD old = 0;
            VirtualProtect(m_base + usable, page, PAGE_NOACCESS, &old);
            m_data = m_base + usable - size;
        }
    }
    ~GuardedBuffer()
    {
        if (m_base) {
            VirtualFree(m_base, 0, MEM_RELEASE);
        }
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // Null when the pages could not be had.
    unsigned char* Data() const { return m_data; }

private:
    unsigned char* m_base = nullptr;
    unsigned char* m_data = nullptr;
};

} // namespace testenv

// An unnamed Win32 event that closes itself.
#pragma once

#include <windows.h>

#include "win/UniqueHandle.h"

namespace win {

class Event {
public:
    enum class Mode { ManualReset, AutoReset };

    // Creates the event, not set. Valid() tells whether the system gave one.
    explicit Event(Mode mode) : m_handle(CreateEventW(nullptr, mode == Mode::ManualReset, FALSE, nullptr)) {}

    Event(Event&&) noexcept = default;
    Event& operator=(Event&&) noexcept = default;

    bool Valid() const { return static_cast<bool>(m_handle); }
    HANDLE Get() const { return m_handle.Get(); }

    void Set() { SetEvent(m_handle.Get()); }
    void Clear() { ResetEvent(m_handle.Get()); }
    // True when the event is (or becomes, within timeoutMs) set; an
    // auto-reset event is cleared by the wait that sees it.
    bool Wait(DWORD timeoutMs = INFINITE) const
    {
        return WaitForSingleObject(m_handle.Get(), timeoutMs) == WAIT_OBJECT_0;
    }

private:
    UniqueHandle m_handle;
};

} // namespace win

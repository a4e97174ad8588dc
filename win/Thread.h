// Owns one thread: starts it on a function and joins it when the owner goes,
// so a thread never outlives the object whose members it uses.
//
// Threading: Start, Join and the destructor belong to one thread at a time
// (the owner's); the owner's own lock, if any, serialises them. The body
// runs on the new thread; no exception leaves it (one that escapes ends the
// thread with exit code (DWORD)-1).
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "win/UniqueHandle.h"

namespace win {

class Thread {
public:
    // Whether the running thread keeps the module holding this code loaded
    // (a DLL's thread that may outlive an unload request) until it exits.
    enum class ModuleHold { None, UntilExit };

    Thread() = default;
    // Joins the thread (see Join).
    ~Thread() { Join(); }

    Thread(Thread&& other) noexcept : m_handle(std::move(other.m_handle)), m_id(std::exchange(other.m_id, 0)) {}
    // Joins the thread held before taking the other one.
    Thread& operator=(Thread&& other) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts body on a new thread; its result is the thread's exit code.
    // False, with no thread, when one is already held or the system (or
    // memory) refuses.
    bool Start(std::function<DWORD()> body, ModuleHold hold = ModuleHold::None);

    // Waits for the thread to end and closes its handle; nothing without a
    // thread. Called on the thread itself it cannot wait: it lets the handle
    // go and the thread ends on its own when its body returns.
    void Join();

    // Lets the thread run on without an owner: its handle closes and nobody
    // joins it. Only for a thread that uses nothing the owner frees (and that
    // holds its module with ModuleHold::UntilExit when it runs DLL code).
    void Detach()
    {
        m_handle.Reset();
        m_id = 0;
    }

    bool Joinable() const { return static_cast<bool>(m_handle); }
    HANDLE Handle() const { return m_handle.Get(); }
    DWORD Id() const { return m_id; }
    bool IsCurrent() const { return m_handle && m_id == GetCurrentThreadId(); }

private:
    static DWORD WINAPI Entry(void* start);

    UniqueHandle m_handle;
    DWORD m_id = 0;
};

} // namespace win

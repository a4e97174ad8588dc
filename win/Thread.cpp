#include "win/Thread.h"

#include <memory>
#include <new>
#include <utility>

#include "win/Module.h"

namespace win {
namespace {

// What a new thread is handed; the thread frees it.
struct ThreadStart {
    std::function<DWORD()> body;
    UniqueModule heldModule; // released as the thread exits
};

} // namespace

Thread& Thread::operator=(Thread&& other) noexcept
{
    if (this != &other) {
        Join();
        m_handle = std::move(other.m_handle);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

bool Thread::Start(std::function<DWORD()> body, ModuleHold hold)
{
    if (m_handle || !body) {
        return false;
    }
    std::unique_ptr<ThreadStart> start(new (std::nothrow) ThreadStart);
    if (!start) {
        return false;
    }
    start->body = std::move(body);
    if (hold == ModuleHold::UntilExit) {
        start->heldModule = ReferenceCodeModule();
        if (!start->heldModule) {
            return false;
        }
    }
    DWORD id = 0;
    m_handle.Reset(CreateThread(nullptr, 0, &Thread::Entry, start.get(), 0, &id));
    if (!m_handle) {
        return false; // start, and the module reference, go with the unique_ptr
    }
    start.release(); // the thread owns it now
    m_id = id;
    return true;
}

void Thread::Join()
{
    if (!m_handle) {
        return;
    }
    if (!IsCurrent()) {
        WaitForSingleObject(m_handle.Get(), INFINITE);
    }
    m_handle.Reset();
    m_id = 0;
}

DWORD WINAPI Thread::Entry(void* parameter)
{
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    DWORD result = static_cast<DWORD>(-1);
    try {
        result = start->body();
    } catch (...) {
        // Nothing may leave a thread procedure; the exit code tells.
    }
    const HMODULE held = start->heldModule.Release();
    start.reset();
    if (held) {
        // Returning would run this module's code after the reference that
        // keeps it loaded is gone: drop it and end the thread in one call.
        FreeLibraryAndExitThread(held, result);
    }
    return result;
}

} // namespace win

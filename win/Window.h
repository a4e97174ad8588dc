// Owner of a window, destroyed on the thread that created it.
//
// DestroyWindow works only on the window's own thread. The owner destroys the
// window at once when it goes on that thread; from any other thread it posts
// the window DestroyRequestMessage(), which the window procedures of this
// project answer with HandleDestroyRequest (the destruction then runs on the
// window's thread, and the caller never waits for it). A window whose
// procedure does not answer goes when its thread ends, as every window does.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

// The registered message that asks a window to destroy itself.
UINT DestroyRequestMessage();

// Called first by a window procedure: when message is the destroy request,
// destroys window (the procedure runs on its thread) and returns true.
bool HandleDestroyRequest(HWND window, UINT message);

// Destroys window now on its own thread, or asks its thread to (see above).
// A window that no longer exists is left alone.
void DestroyOnItsThread(HWND window);

class UniqueWindow {
public:
    UniqueWindow() = default;
    explicit UniqueWindow(HWND window) : m_window(window) {}
    ~UniqueWindow() { Reset(); }

    UniqueWindow(UniqueWindow&& other) noexcept : m_window(other.Release()) {}
    UniqueWindow& operator=(UniqueWindow&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueWindow(const UniqueWindow&) = delete;
    UniqueWindow& operator=(const UniqueWindow&) = delete;

    HWND Get() const { return m_window; }
    explicit operator bool() const { return m_window != nullptr; }

    // Destroys the held window (on its own thread) and takes another.
    void Reset(HWND window = nullptr)
    {
        const HWND previous = std::exchange(m_window, window);
        if (previous) {
            DestroyOnItsThread(previous);
        }
    }
    // Hands the window to the caller, who destroys it.
    HWND Release() { return std::exchange(m_window, nullptr); }

private:
    HWND m_window = nullptr;
};

} // namespace win

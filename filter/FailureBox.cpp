#include "filter/FailureBox.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "win/Lock.h"
#include "win/Thread.h"

const char kFailureBoxCaption[] = "Lumora Camera";

namespace {

// The texts of the boxes that are up. Made once and never destroyed: a box
// thread may still be closing its box while a program that links this code
// statically runs its static destructors at exit.
class OpenBoxes {
public:
    static OpenBoxes& Instance()
    {
        static OpenBoxes* const instance = new OpenBoxes;
        return *instance;
    }

    // Records text as shown; false when a box with it is up already.
    bool Claim(const std::string& text)
    {
        win::LockGuard guard(m_lock);
        if (std::find(m_texts.begin(), m_texts.end(), text) != m_texts.end()) {
            return false;
        }
        m_texts.push_back(text); // may throw bad_alloc: nothing was recorded then
        return true;
    }

    bool IsUp(const std::string& text)
    {
        win::LockGuard guard(m_lock);
        return std::find(m_texts.begin(), m_texts.end(), text) != m_texts.end();
    }

    void Forget(const std::string& text)
    {
        win::LockGuard guard(m_lock);
        const auto found = std::find(m_texts.begin(), m_texts.end(), text);
        if (found != m_texts.end()) {
            m_texts.erase(found);
        }
    }

private:
    win::Lock m_lock;
    std::vector<std::string> m_texts; // under m_lock
};

// The box's thread: shows text without an owner (it belongs to no window of
// the host and blocks none) and forgets it once a person closed it.
DWORD ShowBox(const std::string& text)
{
    MessageBoxA(nullptr, text.c_str(), kFailureBoxCaption, MB_OK | MB_SETFOREGROUND);
    OpenBoxes::Instance().Forget(text);
    return 0;
}

} // namespace

bool ProcessHasVisibleWindowStation()
{
    // The station handle is the process's; it is not closed.
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed)) {
        return false;
    }
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool ShowFailureBox(const char* text)
{
    if (!text || !ProcessHasVisibleWindowStation()) {
        return false;
    }
    try {
        const std::string shown = text;
        if (!OpenBoxes::Instance().Claim(shown)) {
            return false;
        }
        // Nothing may wait for a person: the thread is let go at once, and it
        // keeps this module loaded until it has exited.
        win::Thread box;
        if (!box.Start([shown] { return ShowBox(shown); }, win::Thread::ModuleHold::UntilExit)) {
            OpenBoxes::Instance().Forget(shown);
            return false;
        }
        box.Detach();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool FailureBoxIsUp(const char* text)
{
    try {
        return text && OpenBoxes::Instance().IsUp(text);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

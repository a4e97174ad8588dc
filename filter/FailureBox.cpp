#include "filter/FailureBox.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "win/Lock.h"
#include "win/Module.h"
#include "win/UniqueHandle.h"

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

// What a box thread is handed; the thread frees it.
struct BoxRequest {
    std::string text;
    win::UniqueModule module; // keeps this code loaded while the box is up
};

DWORD WINAPI ShowBoxThread(void* parameter)
{
    std::unique_ptr<BoxRequest> request(static_cast<BoxRequest*>(parameter));
    // No owner: the box belongs to no window of the host and blocks none.
    MessageBoxA(nullptr, request->text.c_str(), kFailureBoxCaption, MB_OK | MB_SETFOREGROUND);
    OpenBoxes::Instance().Forget(request->text);
    const HMODULE held = request->module.Release();
    request.reset();
    // Returning would run this module's code after the reference that keeps
    // it loaded is gone: drop it and end the thread in one call.
    FreeLibraryAndExitThread(held, 0);
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
        std::unique_ptr<BoxRequest> request(new BoxRequest);
        request->text = text;
        request->module = win::ReferenceCodeModule();
        if (!request->module || !OpenBoxes::Instance().Claim(request->text)) {
            return false;
        }
        // win::Thread joins the thread it owns; this one is let go at once
        // (its handle closes here), since nothing may wait for a person.
        const win::UniqueHandle thread(CreateThread(nullptr, 0, &ShowBoxThread, request.get(), 0, nullptr));
        if (!thread) {
            OpenBoxes::Instance().Forget(request->text);
            return false; // the request, and the module reference, go with the unique_ptr
        }
        request.release(); // the thread owns it now
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

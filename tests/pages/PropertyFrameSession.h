// Runs the platform's modal property frame (OleCreatePropertyFrame) on a thread of its own, a single-threaded
// apartment where the page factories are registered for the life of the frame, so that a test drives it from
// outside as a user would. Messages to the frame's windows are sent from the test thread, handled on the frame's.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/pages/PageClassFactory.h"
#include "win/Thread.h"

struct PageClass {
    CLSID clsid;
    PageClassFactory* factory;
};

class PropertyFrameSession {
public:
    // Opens the frame on object with the given pages and waits until its window is shown (ok() false when it did not).
    PropertyFrameSession(IUnknown* object, const std::vector<PageClass>& pages);
    // Cancels the frame if it is still open and waits for its thread.
    ~PropertyFrameSession();

    PropertyFrameSession(const PropertyFrameSession&) = delete;
    PropertyFrameSession& operator=(const PropertyFrameSession&) = delete;

    bool ok() const { return m_frame != nullptr; }
    HWND Frame() const { return m_frame; }

    HWND FindControl(int controlId) const;
    HWND TabControl() const;

    // Presses a button as a click does (BM_CLICK); returns when the frame thread has handled it.
    void Click(HWND button) const;
    // Moves a slider and delivers the notification a trackbar sends its dialog when the mouse is released.
    void MoveSlider(HWND slider, int position) const;
    // Waits until the frame thread has handled every message sent or posted before (its due paints included).
    void Sync() const;

    // Runs work on the frame thread inside its message loop: how the tests call IPropertyPage::Apply as a frame does
    // (Wine's frame leaves Apply disabled and does not apply on OK).
    void RunOnFrameThread(const std::function<void()>& work) const;

    // Presses a closing button ("OK", "Cancel") and waits up to timeoutMs for the frame to end. True when it ended.
    bool CloseWith(const std::string& caption, DWORD timeoutMs = 20000);
    HRESULT FrameResult() const { return m_result; }

    std::string DescribeWindows() const;

private:
    // The frame thread: registers the page factories and runs the modal frame until it closes.
    DWORD RunFrame();

    IUnknown* m_object;
    std::vector<PageClass> m_pages;
    DWORD m_threadId = 0;
    HWND m_frame = nullptr;
    volatile HRESULT m_result = E_PENDING;
    win::Thread m_thread; // last: joined before the rest goes
};

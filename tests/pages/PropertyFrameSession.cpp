#include "tests/pages/PropertyFrameSession.h"

#include <commctrl.h>
#include <olectl.h>

#include "tests/support/TestEnvironment.h"
#include "tests/support/WindowDriver.h"
#include "win/ComInitialization.h"

namespace {

constexpr DWORD kFrameAppearTimeoutMs = 20000;

HWND Tabs(HWND frame)
{
    return testenv::FirstWhere(testenv::DescendantsOf(frame), testenv::HasClass(WC_TABCONTROLW));
}

// Runs the function a RunOnFrameThread message carries on the receiving thread (a thread's WH_CALLWNDPROC hook).
UINT RunMessage()
{
    static const UINT message = RegisterWindowMessageA("Lumora test: run on frame thread");
    return message;
}

LRESULT CALLBACK RunHook(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == RunMessage()) {
        (*reinterpret_cast<const std::function<void()>*>(call->lParam))();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

PropertyFrameSession::PropertyFrameSession(IUnknown* object, const std::vector<PageClass>& pages)
    : m_object(object), m_pages(pages)
{
    if (!m_thread.Start([this] { return RunFrame(); })) {
        return;
    }
    m_threadId = m_thread.Id();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kFrameAppearTimeoutMs) {
        // Shown, and filled with its tab control.
        m_frame = testenv::FirstWhere(testenv::WindowsOfThread(m_threadId), [](HWND window) {
            return IsWindowVisible(window) && !GetParent(window) && Tabs(window);
        });
        if (m_frame) {
            break;
        }
        if (WaitForSingleObject(m_thread.Handle(), 20) == WAIT_OBJECT_0) {
            break; // the frame failed to open
        }
    }
    if (m_frame) {
        Sync();
    }
}

PropertyFrameSession::~PropertyFrameSession()
{
    if (m_thread.Joinable() && WaitForSingleObject(m_thread.Handle(), 0) == WAIT_TIMEOUT) {
        CloseWith("Cancel");
    }
    // m_thread is joined as it goes; a hang there is the watchdog's.
}

DWORD PropertyFrameSession::RunFrame()
{
    const win::ComInitialization apartment(COINIT_APARTMENTTHREADED);
    std::vector<DWORD> cookies;
    std::vector<CLSID> classes;
    for (const PageClass& page : m_pages) {
        DWORD cookie = 0;
        if (SUCCEEDED(CoRegisterClassObject(page.clsid, page.factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                            &cookie))) {
            cookies.push_back(cookie);
        }
        classes.push_back(page.clsid);
    }
    IUnknown* objects[] = {m_object};
    m_result = OleCreatePropertyFrame(nullptr, 10, 10, L"Lumora Camera", 1, objects,
                                            static_cast<ULONG>(classes.size()), classes.data(), 0, 0, nullptr);
    for (DWORD cookie : cookies) {
        CoRevokeClassObject(cookie);
    }
    return 0;
}

HWND PropertyFrameSession::FindControl(int controlId) const
{
    return testenv::FirstWhere(testenv::DescendantsOf(m_frame), testenv::HasId(controlId));
}

HWND PropertyFrameSession::TabControl() const
{
    return Tabs(m_frame);
}

void PropertyFrameSession::Click(HWND button) const
{
    SendMessageA(button, BM_CLICK, 0, 0);
    Sync();
}

void PropertyFrameSession::MoveSlider(HWND slider, int position) const
{
    testenv::MoveSlider(slider, position);
    Sync();
}

void PropertyFrameSession::Sync() const
{
    // A sent message is handled once the frame thread is back in its loop; messages queued before are handled once
    // the loop has run dry, which a second round makes likely.
    for (int round = 0; round < 2; ++round) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(m_frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        RedrawWindow(m_frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
}

void PropertyFrameSession::RunOnFrameThread(const std::function<void()>& work) const
{
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, &RunHook, nullptr, m_threadId);
    if (!hook) {
        return;
    }
    SendMessageA(m_frame, RunMessage(), 0, reinterpret_cast<LPARAM>(&work));
    UnhookWindowsHookEx(hook);
    Sync();
}

bool PropertyFrameSession::CloseWith(const std::string& caption, DWORD timeoutMs)
{
    const HWND button = testenv::FirstWhere(testenv::DescendantsOf(m_frame),
                                            testenv::All({testenv::HasClass(L"Button"), testenv::HasText(testenv::Wide(caption))}));
    if (button) {
        testenv::PostClick(button);
    }
    const bool ended = WaitForSingleObject(m_thread.Handle(), timeoutMs) == WAIT_OBJECT_0;
    if (ended) {
        m_frame = nullptr;
    }
    return ended;
}

std::string PropertyFrameSession::DescribeWindows() const
{
    return testenv::DescribeWindowTree(m_frame);
}

#include "tests/pages/PropertyFrameSession.h"

#include <commctrl.h>
#include <olectl.h>

#include <cstdio>

#include "win/ComInitialization.h"

namespace {

constexpr DWORD kFrameAppearTimeoutMs = 20000;

struct ThreadWindowSearch {
    HWND found = nullptr;
};

BOOL CALLBACK FindVisibleTopLevel(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<ThreadWindowSearch*>(param);
    if (IsWindowVisible(window) && !GetParent(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ChildSearch {
    int id = 0;
    std::string caption;
    std::string className;
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<ChildSearch*>(param);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (!search->className.empty() && lstrcmpiA(className, search->className.c_str()) != 0) {
        return TRUE;
    }
    if (search->id != 0 && GetDlgCtrlID(window) != search->id) {
        return TRUE;
    }
    if (!search->caption.empty()) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof(text));
        if (search->caption != text) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

HWND Search(HWND root, ChildSearch search)
{
    if (root) {
        EnumChildWindows(root, &FindChild, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

void Describe(HWND window, int depth, std::string* out)
{
    char className[64] = {};
    char text[128] = {};
    GetClassNameA(window, className, sizeof(className));
    GetWindowTextA(window, text, sizeof(text));
    RECT rect = {};
    GetWindowRect(window, &rect);
    char line[512];
    std::snprintf(line, sizeof(line), "%*s%s \"%s\" id=%d style=%08lx rect=(%ld,%ld %ldx%ld)\n", depth * 2, "",
                  className, text, GetDlgCtrlID(window),
                  static_cast<unsigned long>(GetWindowLongPtrA(window, GWL_STYLE)), rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    *out += line;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Describe(child, depth + 1, out);
    }
}

// Runs the function a RunOnFrameThread message carries, on the thread that
// receives the message (a thread-specific WH_CALLWNDPROC hook).
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
        ThreadWindowSearch search;
        EnumThreadWindows(m_threadId, &FindVisibleTopLevel, reinterpret_cast<LPARAM>(&search));
        // Shown, and filled with its tab control.
        if (search.found && Search(search.found, ChildSearch{0, "", WC_TABCONTROLA, nullptr})) {
            m_frame = search.found;
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
    return Search(m_frame, ChildSearch{controlId, "", "", nullptr});
}

HWND PropertyFrameSession::FindButton(const std::string& caption) const
{
    return Search(m_frame, ChildSearch{0, caption, "Button", nullptr});
}

HWND PropertyFrameSession::TabControl() const
{
    return Search(m_frame, ChildSearch{0, "", WC_TABCONTROLA, nullptr});
}

void PropertyFrameSession::Click(HWND button) const
{
    SendMessageA(button, BM_CLICK, 0, 0);
    Sync();
}

void PropertyFrameSession::MoveSlider(HWND slider, int position) const
{
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    NMHDR header = {};
    header.hwndFrom = slider;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(slider));
    header.code = NM_RELEASEDCAPTURE;
    SendMessageA(GetParent(slider), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    Sync();
}

void PropertyFrameSession::ClickTab(int index) const
{
    HWND tab = TabControl();
    RECT item = {};
    SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tab, WM_LBUTTONUP, 0, at);
    Sync();
}

void PropertyFrameSession::Sync() const
{
    // A sent message is handled only when the frame thread is back in its
    // message loop; posted and paint messages queued before are handled by
    // then as well once the loop has run dry, which a second round makes likely.
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
    HWND button = FindButton(caption);
    if (button) {
        PostMessageA(button, BM_CLICK, 0, 0);
    }
    const bool ended = WaitForSingleObject(m_thread.Handle(), timeoutMs) == WAIT_OBJECT_0;
    if (ended) {
        m_frame = nullptr;
    }
    return ended;
}

std::string PropertyFrameSession::DescribeWindows() const
{
    std::string out;
    if (m_frame) {
        Describe(m_frame, 0, &out);
    }
    return out;
}

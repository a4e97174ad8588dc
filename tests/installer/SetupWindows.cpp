#include "tests/installer/SetupWindows.h"

#include <vector>

namespace installtest {
namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK AddVisibleChild(HWND child, LPARAM context)
{
    if (IsWindowVisible(child)) {
        reinterpret_cast<WindowSearch*>(context)->windows.push_back(child);
    }
    return TRUE;
}

BOOL CALLBACK AddTopLevelOfProcess(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) {
        search->windows.push_back(window);
        EnumChildWindows(window, AddVisibleChild, context);
    }
    return TRUE;
}

// Every visible window of a process: its top-level windows and all their
// descendants, in creation order.
std::vector<HWND> WindowsOf(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(AddTopLevelOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

// Top-level windows have no parent; owned ones (a message box) report their
// owner as parent, so the style tells.
bool IsTopLevel(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

} // namespace

HWND SetupWindows::Find(const std::function<bool(HWND)>& matches, DWORD timeoutMs) const
{
    const DWORD start = GetTickCount();
    do {
        for (HWND window : WindowsOf(processId)) {
            if (matches(window)) {
                return window;
            }
        }
        Sleep(100);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

HWND SetupWindows::FindByText(const std::wstring& textPart, const wchar_t* className, DWORD timeoutMs) const
{
    return Find(
        [&](HWND window) {
            return (!className || _wcsicmp(ClassOf(window).c_str(), className) == 0) &&
                   Text(window).find(textPart) != std::wstring::npos;
        },
        timeoutMs);
}

HWND SetupWindows::FindNthOfClass(const wchar_t* className, int index, DWORD timeoutMs) const
{
    return Find(
        [&, seen = 0](HWND window) mutable {
            if (_wcsicmp(ClassOf(window).c_str(), className) != 0 || !IsWindowEnabled(window)) {
                return false;
            }
            return seen++ == index;
        },
        timeoutMs);
}

HWND SetupWindows::MainWindow(DWORD timeoutMs) const
{
    return Find([](HWND window) { return IsTopLevel(window) && GetDlgItem(window, 1) != nullptr &&
                                         GetDlgItem(window, 2) != nullptr; },
                timeoutMs);
}

void SetupWindows::PressNext() const
{
    const HWND main = MainWindow();
    if (main) {
        Click(GetDlgItem(main, 1));
    }
}

std::wstring SetupWindows::AnswerMessageBox(DWORD timeoutMs) const
{
    // A message box: a top-level dialog whose static text has id 0xFFFF.
    const HWND box = Find([](HWND window) { return IsTopLevel(window) && GetDlgItem(window, 0xFFFF) != nullptr; },
                          timeoutMs);
    if (!box) {
        return std::wstring();
    }
    const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
}

void SetupWindows::Click(HWND control)
{
    PostMessageW(control, BM_CLICK, 0, 0);
    Sleep(300);
}

void SetupWindows::SetText(HWND control, const std::wstring& text)
{
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring SetupWindows::Text(HWND window)
{
    wchar_t text[1024] = {};
    // WM_GETTEXT reads controls of another process too.
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

} // namespace installtest

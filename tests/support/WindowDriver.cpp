#include "tests/support/WindowDriver.h"

#include <commctrl.h>

#include <cstdio>

#include "tests/support/TestEnvironment.h"
#include "tests/support/WaitFor.h"

namespace testenv {
namespace {

struct WindowList {
    DWORD processId = 0;
    std::vector<HWND> windows;
};

BOOL CALLBACK AddVisibleChild(HWND child, LPARAM context)
{
    if (IsWindowVisible(child)) {
        reinterpret_cast<WindowList*>(context)->windows.push_back(child);
    }
    return TRUE;
}

BOOL CALLBACK AddChild(HWND child, LPARAM context)
{
    reinterpret_cast<WindowList*>(context)->windows.push_back(child);
    return TRUE;
}

BOOL CALLBACK AddTopLevelOfProcess(HWND window, LPARAM context)
{
    auto* list = reinterpret_cast<WindowList*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == list->processId && IsWindowVisible(window)) {
        list->windows.push_back(window);
        EnumChildWindows(window, AddVisibleChild, context);
    }
    return TRUE;
}

void Describe(HWND window, int depth, std::string* out)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    char line[512];
    std::snprintf(line, sizeof(line), "%*s%s \"%s\" id=%d style=%08lx rect=(%ld,%ld %ldx%ld)\n", depth * 2, "",
                  Narrow(ClassOf(window)).c_str(), Narrow(TextOf(window)).c_str(), GetDlgCtrlID(window),
                  static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE)), rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    *out += line;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Describe(child, depth + 1, out);
    }
}

} // namespace

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

void SetText(HWND control, const std::wstring& text)
{
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void PostClick(HWND button)
{
    PostMessageW(button, BM_CLICK, 0, 0);
}

void MoveSlider(HWND slider, int position)
{
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    NMHDR header = {slider, static_cast<UINT_PTR>(GetDlgCtrlID(slider)), static_cast<UINT>(NM_RELEASEDCAPTURE)};
    SendMessageW(GetParent(slider), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

std::vector<HWND> VisibleWindowsOf(DWORD processId)
{
    WindowList list{processId, {}};
    EnumWindows(AddTopLevelOfProcess, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

std::vector<HWND> DescendantsOf(HWND root)
{
    WindowList list;
    if (root) {
        EnumChildWindows(root, AddChild, reinterpret_cast<LPARAM>(&list));
    }
    return list.windows;
}

std::vector<HWND> WindowsOfThread(DWORD threadId)
{
    WindowList list;
    EnumThreadWindows(threadId, AddChild, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

WindowTest HasClass(const std::wstring& className)
{
    return [=](HWND window) { return _wcsicmp(ClassOf(window).c_str(), className.c_str()) == 0; };
}

WindowTest HasId(int controlId)
{
    return [=](HWND window) { return GetDlgCtrlID(window) == controlId; };
}

WindowTest HasText(const std::wstring& text)
{
    return [=](HWND window) { return TextOf(window) == text; };
}

WindowTest ContainsText(const std::wstring& part)
{
    return [=](HWND window) { return TextOf(window).find(part) != std::wstring::npos; };
}

WindowTest IsTopLevel()
{
    // Owned windows (a message box) report their owner as parent; the style tells.
    return [](HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) == 0; };
}

WindowTest IsVisible()
{
    return [](HWND window) { return IsWindowVisible(window) != FALSE; };
}

WindowTest HasStyle(LONG mask, LONG style)
{
    return [=](HWND window) { return (GetWindowLongW(window, GWL_STYLE) & mask) == style; };
}

WindowTest IsEnabled()
{
    return [](HWND window) { return IsWindowEnabled(window) != FALSE; };
}

WindowTest All(std::vector<WindowTest> tests)
{
    return [=](HWND window) {
        for (const WindowTest& test : tests) {
            if (!test(window)) {
                return false;
            }
        }
        return true;
    };
}

HWND FirstWhere(const std::vector<HWND>& windows, const WindowTest& test)
{
    for (HWND window : windows) {
        if (test(window)) {
            return window;
        }
    }
    return nullptr;
}

HWND WaitForWindow(const std::function<std::vector<HWND>()>& windows, const WindowTest& test, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do {
        if (HWND found = FirstWhere(windows(), test)) {
            return found;
        }
        Sleep(100);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

WindowTest IsMessageBox()
{
    return All({IsTopLevel(), [](HWND window) { return GetDlgItem(window, 0xFFFF) != nullptr; }});
}

std::wstring MessageBoxText(HWND box)
{
    std::wstring text;
    for (HWND child : DescendantsOf(box)) {
        if (HasClass(L"Static")(child)) {
            text += TextOf(child);
        }
    }
    return text;
}

std::string DescribeWindowTree(HWND root)
{
    std::string out;
    if (root) {
        Describe(root, 0, &out);
    }
    return out;
}

MessageBoxAnswerer::MessageBoxAnswerer()
{
    thread.Start([this] {
        Run();
        return DWORD{0};
    });
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    stop = true;
    thread.Join();
}

std::vector<std::string> MessageBoxAnswerer::Texts()
{
    win::LockGuard guard(lock);
    return texts;
}

bool MessageBoxAnswerer::WaitForTexts(size_t count, DWORD timeoutMs)
{
    return WaitFor([&] { return Texts().size() >= count; }, timeoutMs);
}

void MessageBoxAnswerer::Run()
{
    while (!stop) {
        HWND box = FindWindowW(L"#32770", L"Lumora Camera");
        HWND ok = box ? GetDlgItem(box, IDOK) : nullptr;
        if (ok && IsWindowVisible(box)) {
            {
                win::LockGuard guard(lock);
                texts.push_back(Narrow(MessageBoxText(box)));
            }
            SendMessageW(ok, BM_CLICK, 0, 0);
            // This box goes before the next one is looked for.
            for (int i = 0; i < 500 && IsWindow(box); ++i) {
                Sleep(10);
            }
        }
        Sleep(20);
    }
}

} // namespace testenv

// Windows driven as a person would: found, clicked, typed into, read, and message boxes answered, in this process
// or a child (texts travel by WM_GETTEXT).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "win/Lock.h"
#include "win/Thread.h"

namespace testenv {

std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
void SetText(HWND control, const std::wstring& text);
// Posted, so a handler that opens a modal box never blocks the caller.
void PostClick(HWND button);

// Moves a trackbar and tells its dialog the mouse let go of it, as a drag does.
void MoveSlider(HWND slider, int position);

// Visible top-level windows of a process and all their visible descendants, in creation order.
std::vector<HWND> VisibleWindowsOf(DWORD processId);
std::vector<HWND> DescendantsOf(HWND root);
std::vector<HWND> WindowsOfThread(DWORD threadId); // top-level ones

using WindowTest = std::function<bool(HWND)>;
WindowTest HasClass(const std::wstring& className);
WindowTest HasId(int controlId);
WindowTest HasText(const std::wstring& text);
WindowTest ContainsText(const std::wstring& part);
WindowTest IsTopLevel();
WindowTest IsEnabled();
WindowTest IsVisible();
WindowTest HasStyle(LONG mask, LONG style); // the style bits under mask
WindowTest All(std::vector<WindowTest> tests);

HWND FirstWhere(const std::vector<HWND>& windows, const WindowTest& test);
// Looks at windows() every 100 ms until one passes test; null after timeoutMs.
HWND WaitForWindow(const std::function<std::vector<HWND>()>& windows, const WindowTest& test,
                   DWORD timeoutMs = 30000);

// A message box: a top-level dialog holding static text with id 0xFFFF.
WindowTest IsMessageBox();
// The texts of a dialog's static controls, joined.
std::wstring MessageBoxText(HWND box);

// One line per window of the tree under root, for failure messages.
std::string DescribeWindowTree(HWND root);

// Answers every dialog captioned "Lumora Camera" from a thread of its own: keeps its text and presses OK.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    std::vector<std::string> Texts();
    // A box comes up on a thread of its own, after the failure it reports.
    bool WaitForTexts(size_t count, DWORD timeoutMs = 10000);

private:
    void Run();
    std::atomic<bool> stop{false};
    win::Lock lock; // guards texts
    std::vector<std::string> texts;
    win::Thread thread; // last: joined first
};

} // namespace testenv

// The windows of a running setup program, driven as a person would: find a
// control by its text or class, click it, type into it, read what a message
// box says and press its button. Messages are posted, so a handler that
// opens a modal box never blocks the test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace installtest {

class SetupWindows {
public:
    explicit SetupWindows(DWORD processId) : processId(processId) {}

    // The first visible window of the process (top-level or a descendant)
    // that matches; waits up to timeoutMs, nullptr when none appeared.
    HWND Find(const std::function<bool(HWND)>& matches, DWORD timeoutMs = 30000) const;
    HWND FindByText(const std::wstring& textPart, const wchar_t* className = nullptr, DWORD timeoutMs = 30000) const;
    // The index-th (0 first) enabled control of a class, in creation order.
    HWND FindNthOfClass(const wchar_t* className, int index, DWORD timeoutMs = 30000) const;
    // The wizard's main window and its Next/Install/Finish button (id 1).
    HWND MainWindow(DWORD timeoutMs = 30000) const;
    void PressNext() const;

    // A message box of the process: its text, and OK pressed; empty when
    // none appeared.
    std::wstring AnswerMessageBox(DWORD timeoutMs = 30000) const;

    static void Click(HWND control);
    static void SetText(HWND control, const std::wstring& text);
    static std::wstring Text(HWND window);

private:
    const DWORD processId;
};

} // namespace installtest

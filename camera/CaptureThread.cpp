// The controller's capture thread: a hidden "BUTTON" window, subclassed with
// CaptureWndProc, whose message loop receives the SDK's WM_CAMERA_FRAME, and
// the way the thread is ended when the camera closes.
#include <windows.h>

#include <atomic>

#include "camera/Camera.h"
#include "camera/CameraSdkLoader.h"
#include "win/Module.h"

namespace {

// Posted by the controller to the capture window to end its thread: the
// thread destroys the window (it owns it) and leaves its message loop.
const UINT WM_CAPTURE_END = WM_APP + 1;

// The procedure the capture windows had before they were subclassed; one for
// the module, written by every capture window created (always the button
// class's procedure).
std::atomic<WNDPROC> savedButtonProc{nullptr};

} // namespace

int __stdcall CCamera::CameraCallback(int)
{
    return 1;
}

DWORD WINAPI CCamera::CaptureThreadProc(void* parameter)
{
    CCamera* camera = static_cast<CCamera*>(parameter);
    if (!camera) {
        return static_cast<DWORD>(-1);
    }
    // Until the ready event is set, Init holds m_Lock and waits: nothing here
    // takes the lock. After it is set the controller's members are touched
    // only by the window procedure, under m_Lock.
    const HANDLE ready = camera->m_hReadyEvent.Get();
    const HWND window =
        CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 0, 200, 80, nullptr, nullptr, win::CodeModule(), nullptr);
    camera->m_hWnd = window;
    if (!window) {
        SetEvent(ready);
        return static_cast<DWORD>(-1);
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(camera));
    savedButtonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CaptureWndProc)));

    // The button procedure must take a message through the new procedure;
    // a failure shows in the thread's last error. Cleared first, so that only
    // these two calls are judged.
    SetLastError(0);
    ShowWindow(window, SW_HIDE);
    SendMessageA(window, WM_INITDIALOG, 0, 0);
    if (GetLastError() != 0) {
        DestroyWindow(window);
        camera->m_hWnd = nullptr;
        SetEvent(ready);
        return static_cast<DWORD>(-1);
    }
    SetEvent(ready);

    // Only this window's messages (and messages sent from other threads).
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, window, 0, 0);
        if (got == 0 || got == -1 || message.message == WM_DESTROY || message.message == WM_CAPTURE_END) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    return 0;
}

LRESULT CALLBACK CCamera::CaptureWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // No exception may leave a window procedure: a failed frame is skipped
    // (m_Lock is left by its guard).
    try {
        CCamera* camera = reinterpret_cast<CCamera*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (camera && message == WM_CAMERA_FRAME) {
            camera->HandleFrameMessage(window);
            return 1;
        }
        const WNDPROC previous = savedButtonProc;
        return previous ? CallWindowProcA(previous, window, message, wParam, lParam)
                        : DefWindowProcA(window, message, wParam, lParam);
    } catch (...) {
        return 1;
    }
}

void CCamera::HandleFrameMessage(HWND window)
{
    CriticalSectionGuard guard(m_Lock);
    // A message still queued when the camera closed, or meant for the window
    // of an earlier open, brings no frame of the current camera.
    if (!m_bOpened || window != m_hWnd || !m_pImage || !m_pFrame) {
        return;
    }
    ++m_FramesReceived;
    GetCameraSdk().CameraGetImageDataRGB24(m_pImage.get());
    CropCopy(m_ImageWidth, m_ImageHeight, m_FrameWidth, m_FrameHeight, m_pImage.get(), m_pFrame.get());
    // The waiting fetches run once this thread leaves m_Lock.
    m_FrameArrived.WakeAll();
}

void CCamera::TakeCaptureResources(CaptureResources& into)
{
    into.thread = std::move(m_hCaptureThread);
    into.window = m_hWnd;
    into.readyEvent = std::move(m_hReadyEvent);
    m_hWnd = nullptr;
}

CCamera::CaptureResources::~CaptureResources()
{
    if (window) {
        // The window belongs to the capture thread, so the thread destroys it.
        // A full queue refuses the message for a moment; a thread that has
        // already ended needs none.
        while (!PostMessageA(window, WM_CAPTURE_END, 0, 0)) {
            if (!thread || WaitForSingleObject(thread.Get(), 10) != WAIT_TIMEOUT) {
                break;
            }
        }
    }
    if (thread) {
        WaitForSingleObject(thread.Get(), INFINITE);
    }
    // The handles close as the members go.
}

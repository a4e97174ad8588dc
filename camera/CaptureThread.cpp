// The controller's capture thread: a hidden "BUTTON" window, subclassed with
// CaptureWndProc, whose message loop receives the SDK's WM_CAMERA_FRAME, and
// the way the thread is ended when the camera closes.
#include <windows.h>

#include <atomic>
#include <utility>

#include "camera/Camera.h"
#include "camera/CameraSdkLoader.h"
#include "camera/FramePathCounters.h"
#include "camera/OpenTimeline.h"
#include "win/Module.h"

namespace {

// How long the capture thread waits for a buffer to fetch into when the
// consumers still read both others; a frame interval is 33 ms.
const DWORD kWriteTurnWaitMs = 20;

// The procedure the capture windows had before they were subclassed; one for
// the module, written by every capture window created (always the button
// class's procedure).
std::atomic<WNDPROC> savedButtonProc{nullptr};

// Notes when the capture thread took frame sequence's message; the open's
// first frame (the one after sequenceAtOpen) also on the open's timeline.
void NoteArrival(FrameArrivals& arrivals, LONG sequence, LONG sequenceAtOpen, int64_t qpc)
{
    arrivals.Note(sequence, qpc);
    if (sequence == sequenceAtOpen + 1) {
        LastOpenTimeline().firstFrame.store(qpc, std::memory_order_relaxed);
    }
}

} // namespace

int __stdcall CCamera::CameraCallback(int)
{
    return 1;
}

bool CCamera::StartCaptureThread()
{
    win::Event ready(win::Event::Mode::ManualReset);
    if (!ready.Valid()) {
        return false;
    }
    m_hWnd = nullptr;
    if (!m_CaptureThread.Start([this, &ready] { return RunCaptureThread(ready); })) {
        return false;
    }
    // The capture thread takes no lock before it sets the event.
    ready.Wait();
    return m_hWnd != nullptr;
}

DWORD CCamera::RunCaptureThread(win::Event& ready)
{
    // Until ready is set, Init holds m_Lock and waits: nothing here takes the
    // lock. After it is set the controller's members are touched only by the
    // window procedure, under m_Lock, and ready (Init's) is gone.
    const win::UniqueWindow window = CreateCaptureWindow();
    m_hWnd = window.Get();
    ready.Set();
    if (!window) {
        return static_cast<DWORD>(-1);
    }
    // Only this window's messages (and messages sent from other threads),
    // until the window is destroyed: by the controller's request (see
    // ~CaptureResources) or, when the loop ends otherwise, as window goes.
    MSG message;
    while (IsWindow(window.Get()) && GetMessageA(&message, window.Get(), 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

win::UniqueWindow CCamera::CreateCaptureWindow()
{
    win::UniqueWindow window(
        CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 0, 200, 80, nullptr, nullptr, win::CodeModule(), nullptr));
    if (!window) {
        return window;
    }
    SetWindowLongPtrA(window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    savedButtonProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window.Get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CaptureWndProc)));

    // The button procedure must take a message through the new procedure;
    // a failure shows in the thread's last error. Cleared first, so that only
    // these two calls are judged.
    SetLastError(0);
    ShowWindow(window.Get(), SW_HIDE);
    SendMessageA(window.Get(), WM_INITDIALOG, 0, 0);
    if (GetLastError() != 0) {
        return win::UniqueWindow(); // window is destroyed as it goes
    }
    return window;
}

LRESULT CALLBACK CCamera::CaptureWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The controller's request to end the thread: the window is destroyed
    // here, on its own thread, and the message loop ends.
    if (win::HandleDestroyRequest(window, message)) {
        return 0;
    }
    // No exception may leave a window procedure: a failed frame is skipped
    // (m_Lock is left by its guard).
    try {
        CCamera* camera = reinterpret_cast<CCamera*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (camera && message == WM_CAMERA_FRAME) {
            camera->HandleFrameMessage(window);
            return 1;
        }
        if (camera && message == kPrepareImageMessage) {
            camera->PrepareImageBuffer(window);
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
    // The moment the controller learns of the frame, before any of its work.
    LARGE_INTEGER arrival;
    QueryPerformanceCounter(&arrival);
    {
        win::LockGuard guard(m_Lock);
        // A message still queued when the camera closed, or meant for the
        // window of an earlier open, brings no frame of the current camera.
        if (!m_bOpened || window != m_hWnd) {
            return;
        }
        // The direct reader fetches the frame itself; any other read first
        // fetches it into m_Images (see FrameReader.h).
        if (m_DirectReader) {
            NoteArrival(m_Arrivals, ++m_FramesReceived, m_SequenceAtOpen, arrival.QuadPart);
            m_FrameAwaitsFetch = true;
            m_FrameArrived.WakeAll();
            return;
        }
    }
    FetchImage(window, true, arrival.QuadPart);
}

void CCamera::PrepareImageBuffer(HWND window)
{
    int buffer = ImageRing::kNone;
    {
        win::LockGuard guard(m_Lock);
        if (!m_bOpened || window != m_hWnd || m_DirectReader) {
            return;
        }
        // The buffer the next BeginWrite gives, which is the first frame's
        // fetch: this thread handles its frame messages after this one.
        buffer = m_Images.BeginWrite();
        if (buffer == ImageRing::kNone) {
            return;
        }
    }
    // Outside m_Lock on the write turn, as a fetch: no consumer reads this
    // buffer. Not a fetch: Init, Play, Stop and UnInit need not wait for it.
    m_Images.Prepare(buffer);
    win::LockGuard guard(m_Lock);
    m_Images.Abandon(buffer);
    m_ImageTurn.WakeAll();
}

bool CCamera::FetchImage(HWND window, bool newFrame, int64_t arrivalQpc)
{
    int buffer = ImageRing::kNone;
    LONG sequenceAtStart = 0;
    {
        win::LockGuard guard(m_Lock);
        // A buffer no consumer reads: with three, one is free unless both
        // others are still being copied from; then wait a little (m_Lock is
        // released meanwhile) and skip this image if none comes free.
        m_ImageTurn.WaitUntil(m_Lock, kWriteTurnWaitMs, [&] {
            if (!m_bOpened || (window && window != m_hWnd)) {
                return true; // closed meanwhile: nothing to fetch
            }
            if (m_Fetching) {
                return false; // one SDK fetch at a time
            }
            buffer = m_Images.BeginWrite();
            return buffer != ImageRing::kNone;
        });
        if (buffer == ImageRing::kNone) {
            return false;
        }
        m_Fetching = true;
        // The frame the camera's current image is, for a fetch that counts
        // no new one: frames the capture thread counts meanwhile (under
        // direct fill) may be newer than the image this fetch gets.
        sequenceAtStart = m_FramesReceived;
    }
    // Outside m_Lock, on the write turn: no consumer reads this buffer, and
    // Init, Play, Stop and UnInit wait for m_Fetching to clear. The buffer
    // holds the largest image the camera makes, so the fetch stays within it
    // whatever size it writes; an image reported larger is never fetched.
    const CameraSdk& sdk = GetCameraSdk();
    int width = 0;
    int height = 0;
    unsigned char* pixels = nullptr;
    const bool fetched = sdk.CameraGetImageSize(&width, &height) == 1 &&
                         (pixels = m_Images.Reserve(buffer, width, height)) != nullptr &&
                         FetchImageOfSize(pixels, width, height);

    win::LockGuard guard(m_Lock);
    m_Fetching = false;
    if (fetched) {
        const LONG sequence = newFrame ? ++m_FramesReceived : sequenceAtStart;
        if (newFrame) {
            NoteArrival(m_Arrivals, sequence, m_SequenceAtOpen, arrivalQpc);
        }
        m_Images.Publish(buffer, width, height, sequence);
        // The newest image is the camera's current one, unless a frame was
        // counted during the fetch: that one is still for a read to fetch
        // (the camera announces no further frame until it is fetched).
        if (newFrame || m_FramesReceived == sequenceAtStart) {
            m_FrameAwaitsFetch = false;
        }
        FramePathCopies().cameraBytes += static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3;
        // The waiting fetches run once this thread leaves m_Lock.
        m_FrameArrived.WakeAll();
    } else {
        m_Images.Abandon(buffer);
    }
    m_ImageTurn.WakeAll();
    return fetched;
}

bool CCamera::FetchImageOfSize(unsigned char* pixels, int width, int height)
{
    const CameraSdk& sdk = GetCameraSdk();
    if (sdk.CameraGetImageDataRGB24(pixels) != 1) {
        return false;
    }
    // The size may have changed between the query and the fetch: the image
    // was then written at the new size, which cannot be told from the bytes.
    int fetchedWidth = 0;
    int fetchedHeight = 0;
    return sdk.CameraGetImageSize(&fetchedWidth, &fetchedHeight) == 1 && fetchedWidth == width &&
           fetchedHeight == height;
}

void CCamera::TakeCaptureResources(CaptureResources& into)
{
    into.window = std::exchange(m_hWnd, nullptr);
    into.thread = std::move(m_CaptureThread);
}

CCamera::CaptureResources::~CaptureResources()
{
    // The window belongs to the capture thread, so the thread destroys it on
    // request and its loop ends; thread is joined as it goes. A full queue
    // refuses the request for a moment; a thread that has ended needs none.
    while (window && !PostMessageA(window, win::DestroyRequestMessage(), 0, 0) &&
           WaitForSingleObject(thread.Handle(), 10) == WAIT_TIMEOUT) {
    }
}

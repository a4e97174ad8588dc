// CCamera, the camera controller: opens and closes the camera through the SDK,
// runs the capture thread whose hidden window receives the SDK's frame
// messages, keeps the newest frame, hands it out, lists the offered formats and
// keeps the current settings record.
//
// Threads: the pins' streaming threads (Init, Play, fetches, Stop, UnInit), the
// filter's callers (GetFormats, GetConfig, SetConfig) and the capture thread
// (frame messages) all enter the controller. m_Lock (a win::Lock) is held
// around every SDK call made here, every use of the flags, sizes, buffers,
// sequences and m_Config, and the whole of frame handling. The settings file
// is read and written outside m_Lock: GetConfig and SetConfig before they take
// it, Init after it has left it. The controller takes no other lock while
// holding m_Lock; a caller may hold its own locks when it calls in. A fetch
// that waits for a frame sleeps on m_FrameArrived, which releases m_Lock while
// it sleeps, so the capture thread, Stop and UnInit go on; the waits are
// entered only from outside the controller (m_Lock held once). The capture
// thread is joined only after m_Lock is left (see CaptureResources). See
// docs/threading.md for every thread and lock of the driver.
//
// Frame sequence: m_FramesReceived numbers the frames; the frame buffer holds
// frame m_FramesReceived. Each consumer keeps the sequence of the last frame
// it took and asks for a newer one, so two consumers each see every frame.
// Frames handled before the current open are not in the buffers (Init clears
// them), so they never count as newer.
//
// Results: 1 for success; Init returns 2 for failure; the fetches return the
// frame size (no destination) or 0.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>

#include "camera/CameraConfig.h"
#include "win/ConditionVariable.h"
#include "win/Event.h"
#include "win/Lock.h"
#include "win/Thread.h"
#include "win/Window.h"

class CCamera {
public:
    CCamera();
    // Closes the camera (UnInit, without Stop) when it is open and ends the
    // capture thread; waits for the thread, so no window procedure runs after.
    virtual ~CCamera();

    CCamera(const CCamera&) = delete;
    CCamera& operator=(const CCamera&) = delete;

    // Opens the camera with m_Config's resolution: starts the capture thread and
    // its window, CameraInit, applies m_Config, reads the image size and
    // allocates zero-filled buffers; then, outside m_Lock, rewrites the
    // settings file with the record it applied. 1 when open (already, or now;
    // the file is not touched when it was open already); 2 on any failure,
    // after which nothing of the attempt is left running.
    int Init();
    // Play, Stop: 1 when already in that state, else CameraPlay's / CameraStop's result.
    int Play();
    int Stop();
    // Closes the camera and ends the capture thread; keeps the buffers, so
    // fetches go on delivering the last frame. 1 when already closed, else
    // CameraUnInit's result.
    int UnInit();

    // Loads the settings file into *config (outside m_Lock), then overwrites
    // its camera fields with the SDK's current values, clears m_Reserved1..4
    // and makes it m_Config. 1; 0 when config is null.
    int GetConfig(CameraConfig* config);
    // Saves *config to the settings file (outside m_Lock), sends the values
    // that differ from m_Config (nothing when the resolution differs: it takes
    // effect at the next Init) and makes it m_Config. 1; 0 when config is null
    // or the file could not be written. A failed save still applies the
    // values (the user sees them live); *saved, when given, receives the
    // save's result (S_OK, or why it failed).
    int SetConfig(const CameraConfig* config, HRESULT* saved = nullptr);

    // Copy the newest frame into destination, at most capacity bytes, and
    // return 0; with no destination, return the frame size (no wait, no lock,
    // no count, the sequence untouched).
    //
    // GetFrame waits up to 500 ms until a frame newer than *lastSequence is
    // there, then copies it under the same hold of m_Lock and stores its
    // sequence in *lastSequence. Without lastSequence it waits for a frame
    // newer than the last one GetFrame itself delivered without one (kept in
    // the controller). After a timeout it copies the previous frame again.
    // Counts nothing.
    int GetFrame(unsigned char* destination, long capacity, LONG* lastSequence = nullptr);
    // Copies at once, counts the fetch in m_FramesFetched and, when sequence
    // is given, stores the copied frame's sequence there.
    int GetFrameNoWait(unsigned char* destination, long capacity, LONG* sequence = nullptr);
    // Waits (copying nothing) up to timeoutMs until a frame newer than
    // sequence is there; false on timeout. Closing the camera does not end
    // the wait early: no frame comes, and the wait times out.
    bool WaitForFrameAfter(LONG sequence, DWORD timeoutMs);

    // Fills up to *count headers (at most 5) with the offered formats: 0 to 2
    // are 3032 x 2016, 3 and 4 are 3264 x 2448, RGB24 bottom-up. Sets *count
    // to the number filled and returns 1 (0 when count is null).
    int GetFormats(BITMAPINFOHEADER* headers, int* count);

    // Copies the centred frameWidth x frameHeight window of an RGB24 image of
    // imageWidth x imageHeight pixels. A frame larger than the image in either
    // dimension copies nothing.
    static void CropCopy(int imageWidth, int imageHeight, int frameWidth, int frameHeight,
                         const unsigned char* source, unsigned char* destination);

    // Frame messages handled since construction (counted under m_Lock; also
    // the frame sequence) and frames copied out by GetFrameNoWait (counted
    // without it). Other threads read them without a lock (the pins'
    // dropped-frame report, a pin's starting sequence).
    std::atomic<LONG> m_FramesReceived{0};
    std::atomic<LONG> m_FramesFetched{0};

private:
    // What one Init started: the capture thread and its window. Moved out of
    // the controller under m_Lock; its destructor then asks the thread to
    // destroy the window, which ends the thread, and joins it. It must run
    // after m_Lock is left: the thread may be waiting for m_Lock to finish a
    // frame message.
    struct CaptureResources {
        HWND window = nullptr; // owned by the capture thread
        win::Thread thread;

        CaptureResources() = default;
        CaptureResources(const CaptureResources&) = delete;
        CaptureResources& operator=(const CaptureResources&) = delete;
        ~CaptureResources();
    };
    // Caller holds m_Lock; into must be empty.
    void TakeCaptureResources(CaptureResources& into);

    // Init's work under m_Lock: true when the camera is open (already, or
    // now). applied receives the record sent to the camera once CameraInit
    // succeeded, for Init to write to the settings file after m_Lock is left.
    bool Open(std::optional<CameraConfig>& applied);
    // Starts the capture thread and waits until its window is ready; false
    // when the thread or the window could not be made. Caller holds m_Lock.
    bool StartCaptureThread();
    // CameraInit on the capture window, the record applied, the buffers
    // allocated; a failure after CameraInit calls CameraUnInit. Caller holds m_Lock.
    bool OpenSdk(std::optional<CameraConfig>& applied);
    // The capture thread's body: makes the window, sets m_hWnd and then
    // ready (and touches ready no more), and runs the window's message loop
    // until the window is destroyed.
    DWORD RunCaptureThread(win::Event& ready);
    // The hidden "BUTTON" window, subclassed with CaptureWndProc, whose
    // user data is this controller; empty when it could not be made.
    win::UniqueWindow CreateCaptureWindow();

    // Frees the buffers and allocates them, zero-filled, for an image of the
    // given size; sets the image and frame sizes. False (no buffers, sizes 0)
    // when the size is unusable or memory is short. Caller holds m_Lock.
    bool AllocateBuffers(int imageWidth, int imageHeight);
    // Sends the values of record that differ from m_Config, then monochrome and
    // both mirrors. Caller holds m_Lock.
    void ApplyChangedSettings(const CameraConfig& record);
    // Copies min(m_FrameSize, capacity) bytes of m_pFrame and returns the
    // frame's sequence. Caller holds m_Lock.
    LONG CopyFrame(unsigned char* destination, long capacity);
    // Whether the buffer holds a frame newer than sequence. Caller holds m_Lock.
    bool HasFrameAfter(LONG sequence) const;
    // Sleeps on m_FrameArrived until HasFrameAfter(sequence) or timeoutMs
    // pass; returns HasFrameAfter(sequence). Caller holds m_Lock exactly once.
    bool WaitUntilFrameAfter(LONG sequence, DWORD timeoutMs);
    // Handles one WM_CAMERA_FRAME on the capture thread: takes m_Lock.
    void HandleFrameMessage(HWND window);

    static LRESULT CALLBACK CaptureWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Handed to CameraInit: returns 1 and does nothing else.
    static int __stdcall CameraCallback(int value);

    std::unique_ptr<unsigned char[]> m_pImage; // m_ImageWidth x m_ImageHeight x 3
    std::unique_ptr<unsigned char[]> m_pFrame; // m_FrameSize bytes
    int m_bOpened = 0;
    int m_bPlaying = 0;
    // Written under m_Lock; read without it by the fetches' size query.
    std::atomic<int> m_FrameSize{0};
    int m_ImageWidth = 0;
    int m_ImageHeight = 0;
    int m_FrameWidth = 0;
    int m_FrameHeight = 0;
    // The capture window; set by the capture thread while Init waits for it,
    // then used under m_Lock.
    HWND m_hWnd = nullptr;
    win::Lock m_Lock;
    // Woken (all waiters) by the capture thread after each new frame; waited
    // on with m_Lock.
    win::ConditionVariable m_FrameArrived;
    // The frames up to this sequence came before the current open: the
    // buffers Init allocated hold none of them. Under m_Lock.
    LONG m_SequenceAtOpen = 0;
    // The sequence of the last frame GetFrame delivered to a caller that
    // keeps no sequence of its own. Under m_Lock.
    LONG m_LastDelivered = 0;
    // Started by Init; moved into a CaptureResources when the camera closes.
    win::Thread m_CaptureThread;
    CameraConfig m_Config;
};

// CCamera, the camera controller: opens and closes the camera through the SDK,
// runs the capture thread whose hidden window receives the SDK's frame
// messages, keeps the newest frame, hands it out, lists the offered formats and
// keeps the current settings record.
//
// Threads: the pins' streaming threads (Init, Play, fetches, Stop, UnInit), the
// filter's callers (GetFormats, GetConfig, SetConfig) and the capture thread
// (frame messages) all enter the controller. m_Lock, a critical section, is
// held around every SDK call made here, every use of the flags, sizes, buffers
// and m_Config, and the whole of frame handling. The settings file is read and
// written before m_Lock is taken. The controller takes no other lock while
// holding m_Lock; a caller may hold its own locks when it calls in.
//
// Results: 1 for success; Init returns 2 for failure; the fetches return the
// frame size (no destination) or 0.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "camera/CameraConfig.h"
#include "camera/CriticalSection.h"
#include "camera/UniqueHandle.h"

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
    // allocates zero-filled buffers. 1 when open (already, or now); 2 on any
    // failure, after which nothing of the attempt is left running.
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
    // effect at the next Init) and makes it m_Config. 1; 0 when config is null.
    int SetConfig(const CameraConfig* config);

    // Copies the newest frame into destination, at most capacity bytes, and
    // returns 0; with no destination, returns the frame size. GetFrame first
    // waits up to 500 ms for a new frame (after a timeout it delivers the
    // previous frame again); GetFrameNoWait copies at once and counts the
    // fetch in m_FramesFetched.
    int GetFrame(unsigned char* destination, long capacity);
    int GetFrameNoWait(unsigned char* destination, long capacity);

    // Fills up to *count headers (at most 5) with the offered formats: 0 to 2
    // are 3032 x 2016, 3 and 4 are 3264 x 2448, RGB24 bottom-up. Sets *count
    // to the number filled and returns 1 (0 when count is null).
    int GetFormats(BITMAPINFOHEADER* headers, int* count);

    // Copies the centred frameWidth x frameHeight window of an RGB24 image of
    // imageWidth x imageHeight pixels. A frame larger than the image in either
    // dimension copies nothing.
    static void CropCopy(int imageWidth, int imageHeight, int frameWidth, int frameHeight,
                         const unsigned char* source, unsigned char* destination);

    // Frame messages handled since construction (counted under m_Lock) and
    // frames copied out by GetFrameNoWait (counted without it). Other threads
    // read them without a lock (the pins' dropped-frame report).
    std::atomic<LONG> m_FramesReceived{0};
    std::atomic<LONG> m_FramesFetched{0};

private:
    // What one Init started: the capture thread, its window and its events.
    // Moved out of the controller under m_Lock; its destructor then ends the
    // thread (the window is destroyed on it) and closes the handles. It must
    // run after m_Lock is left: the thread may be waiting for m_Lock to finish
    // a frame message.
    struct CaptureResources {
        UniqueHandle thread;
        HWND window = nullptr;
        UniqueHandle readyEvent;
        std::shared_ptr<const UniqueHandle> frameEvent;

        CaptureResources() = default;
        CaptureResources(const CaptureResources&) = delete;
        CaptureResources& operator=(const CaptureResources&) = delete;
        ~CaptureResources();
    };
    // Caller holds m_Lock; into must be empty.
    void TakeCaptureResources(CaptureResources& into);

    // Frees the buffers and allocates them, zero-filled, for an image of the
    // given size; sets the image and frame sizes. False (no buffers, sizes 0)
    // when the size is unusable or memory is short. Caller holds m_Lock.
    bool AllocateBuffers(int imageWidth, int imageHeight);
    // Sends the values of record that differ from m_Config, then monochrome and
    // both mirrors. Caller holds m_Lock.
    void ApplyChangedSettings(const CameraConfig& record);
    // Copies min(m_FrameSize, capacity) bytes of m_pFrame under m_Lock.
    void CopyFrame(unsigned char* destination, long capacity);
    // Handles one WM_CAMERA_FRAME on the capture thread: takes m_Lock.
    void HandleFrameMessage(HWND window);

    static DWORD WINAPI CaptureThreadProc(void* parameter);
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
    // The capture window; set by the capture thread while Init waits for it.
    HWND m_hWnd = nullptr;
    CriticalSection m_Lock;
    // Manual reset; set by the capture thread when its window is ready or failed.
    UniqueHandle m_hReadyEvent;
    // Manual reset; set after each new frame. Shared, because GetFrame waits
    // on it without m_Lock while UnInit may retire it: the handle is closed
    // when the last holder lets go. Accessed with std::atomic_load/store.
    std::shared_ptr<const UniqueHandle> m_hFrameEvent;
    UniqueHandle m_hCaptureThread;
    CameraConfig m_Config;
};

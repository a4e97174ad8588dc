// CCamera, the camera controller: opens and closes the camera through the SDK,
// runs the capture thread whose hidden window receives the SDK's frame
// messages, keeps the newest camera image, cuts each consumer's frame from
// it, lists the offered formats and keeps the current settings record.
//
// One camera per process: the SDK drives one device for the whole process,
// so one controller at a time may have it open. Init takes the process's
// claim on the camera before CameraInit and UnInit gives it back after
// CameraUnInit; while another controller holds it, Init fails with
// kInitInUse and makes no SDK call, and Play, Stop and UnInit of a controller
// that has not opened the camera make none either, so they never disturb the
// controller that has. The pins of one filter share one controller: the
// second pin finds it open.
//
// Threads: the pins' streaming threads (Init, Play, fetches, Stop, UnInit), the
// filter's callers (GetFormats, GetConfig, SetConfig) and the capture thread
// (frame messages) all enter the controller. m_Lock (a win::Lock) is held
// around every SDK call made here but the image fetch, and every use of the
// flags, the image ring's turns, the sequences and m_Config. It is never
// held across a frame-sized copy: the capture thread fetches each image
// into a buffer of m_Images that no consumer reads, outside m_Lock, and the
// consumers copy their frames from the newest image outside it, each
// holding a read turn on it (see ImageRing). Init, Play, Stop and UnInit
// wait until a fetch in progress has ended before they call the SDK, so the
// SDK is never opened, started, stopped or closed during a fetch. The
// settings file is read and written outside m_Lock: GetConfig and SetConfig
// before they take it, Init after it has left it. The controller takes no
// other lock while holding m_Lock (the claim is an atomic, never waited for);
// a caller may hold its own locks when it calls in. Settings changes and
// Init's save take their turn on m_SettingsTurn before m_Lock (see there). A fetch that waits for a
// frame sleeps on m_FrameArrived, which releases m_Lock while it sleeps, so
// the capture thread, Stop and UnInit go on; the waits are entered only from
// outside the controller (m_Lock held once). The capture thread is joined only
// after m_Lock is left (see CaptureResources). See docs/threading.md for every
// thread and lock of the driver.
//
// Frame sequence: m_FramesReceived numbers the camera's frames; the newest
// image of m_Images is image m_FramesReceived (but under direct fill, see
// FrameReader.h). Each consumer reads through its own FrameReader, which keeps
// the sequence of the last frame it took and asks for a newer one, so two
// consumers each see every frame. Images fetched before the current open are
// not in the buffer (Init clears it), so they never count as newer.
//
// Results: 1 for success; Init returns kInitFailed or kInitInUse for failure.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>

#include "camera/CameraConfig.h"
#include "camera/FrameArrivals.h"
#include "camera/FrameWindow.h"
#include "camera/ImageRing.h"
#include "camera/SettingsLocation.h"
#include "camera/SharedFrame.h"
#include "win/ConditionVariable.h"
#include "win/Event.h"
#include "win/Lock.h"
#include "win/Thread.h"
#include "win/Window.h"

class FrameReader;

class CCamera {
public:
    // Init's results besides 1 (open).
    static constexpr int kInitFailed = 2;
    // Another controller of this process has the camera open; nothing was done.
    static constexpr int kInitInUse = 3;

    // settings: where the settings file is kept (see SettingsLocation.h);
    // every read and save of the record below uses it.
    explicit CCamera(SettingsLocation settings = SettingsLocation::UserTemporary());
    // Closes the camera (UnInit, without Stop) when it is open and ends the
    // capture thread; waits for the thread, so no window procedure runs after.
    virtual ~CCamera();

    CCamera(const CCamera&) = delete;
    CCamera& operator=(const CCamera&) = delete;

    // Opens the camera with m_Config's resolution: takes the process's claim
    // on the camera, starts the capture thread and its window, CameraInit,
    // sends every value of m_Config, reads the image size and clears the
    // image buffer to black; then, outside m_Lock, rewrites the settings file with the record
    // it applied. 1 when open (already, or now; the file is not touched when
    // it was open already); kInitInUse, with no SDK call and nothing started,
    // while another controller of the process has it open; kInitFailed on any
    // other failure, after which nothing of the attempt is left running and
    // the claim is given back.
    int Init();
    // Play, Stop: 1 when already in that state, else CameraPlay's / CameraStop's
    // result. Without the camera open (this controller's open) neither calls
    // the SDK: Play returns 0, Stop 1. Play first asks the capture thread to
    // make the first frame's buffer ready while the camera starts.
    int Play();
    int Stop();
    // Closes the camera, ends the capture thread and gives back the claim;
    // keeps the image, so fetches go on delivering the last frame. 1 when
    // already closed, else CameraUnInit's result.
    int UnInit();

    // The current record into *config: the settings file (outside m_Lock)
    // over the controller's record, which stands without a file; while this
    // controller has the camera open, its camera fields overwritten with the
    // SDK's current values (closed, the file's values stand: Init sends
    // them, so a new program starts with what the last one kept). Clears
    // m_Reserved1..4 and makes it m_Config. Takes its turn on
    // m_SettingsTurn, so it never puts back a record a change replaced
    // while the file was read. 1; 0 when config is null.
    int GetConfig(CameraConfig* config);
    // Saves *config to the settings file (outside m_Lock), sends the values
    // that differ from m_Config unless another controller has the camera
    // open (nothing when the resolution differs: it takes effect at the next
    // Init) and makes it m_Config. 1; 0 when config is null
    // or the file could not be written. A failed save still applies the
    // values (the user sees them live); *saved, when given, receives the
    // save's result (S_OK, or why it failed).
    int SetConfig(const CameraConfig* config, HRESULT* saved = nullptr);
    // Changes some settings and keeps them, in one step: reads the current
    // record as GetConfig does (the settings file over the current record,
    // then, while open, the camera's live values), lets edit(record) change
    // fields of it, sends what changed to the camera at once under m_Lock
    // (nothing while the resolution index differs, as SetConfig), makes it
    // m_Config and saves it to the settings file. Changes are serialised
    // with each other, with reads, SetConfig and Init's save
    // (m_SettingsTurn), so a change made meanwhile is never put back by a
    // record read before it. edit runs under m_Lock and must only
    // change the record. 1; 0 when the save failed (the values are applied
    // all the same); *saved, when given, receives the save's result (S_OK,
    // or why it failed).
    //
    // While another controller of the process has the camera open, nothing
    // is sent to it (it is that controller's); whileHeldElsewhere says
    // whether the change is then kept for the next open (StoreOnly: the
    // record and the file change, as while the camera is closed) or refused
    // (Refuse, for a change that means to act on the camera now: nothing
    // changes and the result is kSettingsCameraInUse).
    enum class WhileHeldElsewhere { StoreOnly, Refuse };
    static constexpr int kSettingsCameraInUse = 3;
    template <class Edit>
    int ChangeSettings(Edit&& edit, HRESULT* saved = nullptr,
                       WhileHeldElsewhere whileHeldElsewhere = WhileHeldElsewhere::StoreOnly)
    {
        auto call = [](void* context, CameraConfig& record) { (*static_cast<decltype(&edit)>(context))(record); };
        return ChangeSettingsWith(call, &edit, saved, whileHeldElsewhere);
    }
    // Sets the camera's frame speed (1 "High", 2 "Normal") as the "Camera
    // Set" page's High/Normal and Apply do: a ChangeSettings of that one
    // field (sent at once when it differs, saved either way).
    int SetFrameSpeed(int32_t frameSpeed, HRESULT* saved = nullptr);

    // Fills up to *count headers (at most 5) with the offered formats: 0 to 2
    // are 3032 x 2016, 3 and 4 are 3264 x 2448, RGB24 bottom-up. Sets *count
    // to the number filled and returns 1 (0 when count is null).
    int GetFormats(BITMAPINFOHEADER* headers, int* count);

    // Images fetched from the camera since construction (counted under
    // m_Lock; also the frame sequence) and frames read by a reader that
    // counts as the capture stream (FrameReader, counted without it). Other
    // threads read them without a lock (the pins' dropped-frame report).
    std::atomic<LONG> m_FramesReceived{0};
    std::atomic<LONG> m_FramesFetched{0};
    // Frames made once for readers that share a layout (FrameReader).
    std::atomic<LONG> m_SharedFramesMade{0};

private:
    // The readers take their frames through the controller's lock, images
    // and fetches (FrameReader.cpp).
    friend class FrameReader;

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

    // Init's work under m_Lock: Init's result. applied receives the record
    // sent to the camera once CameraInit succeeded, for Init to write to the
    // settings file after m_Lock is left.
    int Open(std::optional<CameraConfig>& applied);
    // Takes the process's claim on the camera for this controller; false when
    // another controller holds it. Gives it back. Caller holds m_Lock.
    bool TakeCameraClaim();
    void GiveCameraClaim();
    // Starts the capture thread and waits until its window is ready; false
    // when the thread or the window could not be made. Caller holds m_Lock.
    bool StartCaptureThread();
    // CameraInit on the capture window, the record applied, the image buffer
    // made ready and black; a failure after CameraInit calls CameraUnInit.
    // Caller holds m_Lock.
    bool OpenSdk(std::optional<CameraConfig>& applied);
    // The capture thread's body: makes the window, sets m_hWnd and then
    // ready (and touches ready no more), and runs the window's message loop
    // until the window is destroyed.
    DWORD RunCaptureThread(win::Event& ready);
    // The hidden "BUTTON" window, subclassed with CaptureWndProc, whose
    // user data is this controller; empty when it could not be made.
    win::UniqueWindow CreateCaptureWindow();

    // ChangeSettings without the template: edit(context, record).
    int ChangeSettingsWith(void (*edit)(void* context, CameraConfig& record), void* context, HRESULT* saved,
                           WhileHeldElsewhere whileHeldElsewhere);
    // The current record as GetConfig describes it, made m_Config. Caller
    // holds m_SettingsTurn, not m_Lock.
    CameraConfig ReadRecord();
    // Whether another controller of the process has the camera open.
    bool CameraHeldElsewhere() const;
    // While this controller has the camera open, overwrites the camera's
    // fields of record with its live values; clears m_Reserved1..4 always.
    // Caller holds m_Lock.
    void ReadCurrentSettings(CameraConfig& record);
    // Makes record the current one: unless another controller has the
    // camera open, sends what differs from m_Config unless the resolution
    // index differs; then stores it in m_Config. Caller holds m_Lock.
    void ApplyRecord(const CameraConfig& record);
    // Sends the values of record that differ from m_Config (or every value),
    // then monochrome and both mirrors, in the settings table's order.
    // Caller holds m_Lock.
    enum SettingsToSend { SendChangedValues, SendEveryValue };
    void SendSettings(const CameraConfig& record, SettingsToSend which);
    // Sleeps on m_ImageTurn until no fetch is in progress. Caller holds
    // m_Lock exactly once; the state may change while it sleeps.
    void WaitForFetchToEnd();
    // Fetches the SDK's current image into a free buffer of m_Images and
    // publishes it as the newest: with the next sequence when newFrame (a
    // frame message), else with the one counted when the fetch began (the
    // frame the capture thread counted under direct fill; clears
    // m_FrameAwaitsFetch unless another frame was counted meanwhile). Takes the write turn under m_Lock
    // (waiting a little when both other buffers are read), fetches outside
    // it. window, when given, must still be the capture window. False when
    // nothing was published. Caller does not hold m_Lock.
    // arrivalQpc: when the capture thread took the frame message of a new
    // frame, noted in m_Arrivals with the frame's sequence.
    bool FetchImage(HWND window, bool newFrame, int64_t arrivalQpc = 0);
    // Has the SDK fetch its current image into pixels, a buffer of at least
    // kLargestImageBytes, and asks the size again: true when the fetch
    // succeeded and the camera still reports width x height (so the bytes
    // are an image of that size). Caller does not hold m_Lock and holds the
    // fetch (m_Fetching).
    bool FetchImageOfSize(unsigned char* pixels, int width, int height);
    // Whether the buffer holds a frame newer than sequence. Caller holds m_Lock.
    bool HasFrameAfter(LONG sequence) const;
    // Sleeps on m_FrameArrived until HasFrameAfter(sequence) or timeoutMs
    // pass; returns HasFrameAfter(sequence). Caller holds m_Lock exactly once.
    bool WaitUntilFrameAfter(LONG sequence, DWORD timeoutMs);
    // Handles one WM_CAMERA_FRAME on the capture thread: with direct fill on
    // it counts the frame, notes that the image awaits a fetch and wakes the
    // waiters; otherwise FetchImage, which
    // under m_Lock takes a write turn on a buffer no consumer reads (waiting
    // a little when both others are still read; the frame is skipped when
    // none comes free), outside it asks the SDK for the image size, makes the
    // buffer hold it and fetches the image, and under m_Lock again publishes
    // it as the newest. The SDK's fetch is told no capacity and writes the
    // image at the size it reports now, which need not be the size at open;
    // a frame whose size is unknown or cannot be held is skipped, never fetched.
    void HandleFrameMessage(HWND window);
    // Handles the message Play posts to the capture window before the camera
    // starts: while the first frame is being exposed, takes a write turn on
    // the buffer it will be fetched into, prepares that buffer's memory
    // outside m_Lock (ImageRing::Prepare) and gives the turn back. Nothing
    // when the camera closed meanwhile, the window is an earlier open's, the
    // frames go straight to a reader, or no buffer is free.
    void PrepareImageBuffer(HWND window);

    // Posted by Play to the capture window (PrepareImageBuffer).
    static constexpr UINT kPrepareImageMessage = WM_APP + 1;
    static LRESULT CALLBACK CaptureWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Handed to CameraInit: returns 1 and does nothing else.
    static int __stdcall CameraCallback(int value);

    // The camera's images; turns taken and given under m_Lock.
    ImageRing m_Images;
    // The last frame converted for readers that share a layout; turns taken
    // and given under m_Lock (FrameReader.cpp).
    SharedFrame m_SharedFrame;
    // When the capture thread took each recent frame's message, by
    // sequence. Under m_Lock.
    FrameArrivals m_Arrivals;
    // A fetch from the SDK is in progress outside m_Lock (the capture
    // thread's into m_Images, or a reader's). Under m_Lock.
    bool m_Fetching = false;
    // The readers alive now (FrameReader registers itself). Under m_Lock.
    int m_Readers = 0;
    // The reader whose frames the SDK fetches straight into its buffers, or
    // null: while set, the capture thread fetches nothing (it counts each
    // frame). Set and cleared by that reader's reads (FrameReader.cpp); also
    // cleared when another reader appears, when it goes and by UnInit.
    // Under m_Lock.
    const FrameReader* m_DirectReader = nullptr;
    // Frames were counted under direct fill that m_Images does not hold:
    // the next read that copies from m_Images fetches the camera's current
    // image first. Cleared by that fetch and by Init. Under m_Lock.
    bool m_FrameAwaitsFetch = false;
    // Open: this controller holds the process's claim and the SDK is open.
    int m_bOpened = 0;
    int m_bPlaying = 0;
    // The capture window; set by the capture thread while Init waits for it,
    // then used under m_Lock.
    HWND m_hWnd = nullptr;
    win::Lock m_Lock;
    // Serialises the reads and changes of the settings record (GetConfig,
    // SetConfig, ChangeSettings) and Init's save, each from its read of the
    // current record to its save, so the file and m_Config end with the last
    // change and a read never stores a record older than m_Config. Taken
    // before m_Lock, never while holding it; every write of m_Config holds
    // it. A reader may wait behind a save (at most about 100 ms for a file
    // another program holds open).
    win::Lock m_SettingsTurn;
    // Woken (all waiters) by the capture thread after each new frame; waited
    // on with m_Lock.
    win::ConditionVariable m_FrameArrived;
    // Woken when a read turn or a fetch ends, and when the camera closes:
    // the capture thread waits on it for a write turn, Init, Play, Stop and
    // UnInit for a fetch to end. Waited on with m_Lock.
    win::ConditionVariable m_ImageTurn;
    // The frames up to this sequence came before the current open: the
    // image Init cleared holds none of them. Under m_Lock.
    LONG m_SequenceAtOpen = 0;
    // Started by Init; moved into a CaptureResources when the camera closes.
    win::Thread m_CaptureThread;
    CameraConfig m_Config;
    // Where the settings file is; set at construction, read by any thread.
    const SettingsLocation m_Settings;
};

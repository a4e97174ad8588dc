// CameraOutputPin: an output pin of the camera filter that delivers
// uncompressed frames from the filter's camera controller: 24-bit RGB at the
// camera's sizes, and the format ladder (FormatLadder.h: RGB24, RGB32, YUY2,
// NV12, I420 and Y800 at the camera's sizes and at 1920 x 1080, 1280 x 720
// and 640 x 480), converted and scaled in the pin's one copy. The
// filter has two: the capture pin ("~Capture", PIN_CATEGORY_CAPTURE), whose
// samples carry time stamps, and the preview pin ("Preview",
// PIN_CATEGORY_PREVIEW), whose samples carry none. Each pin waits up to
// 500 ms for a frame it has not delivered before (it keeps the sequence of
// the last frame it took); after a timeout (no frames: camera unplugged or
// closed by the other pin) it delivers its last frame again. The capture pin
// waits before it stamps, so a sample is stamped when its frame is there.
//
// The pin offers first its chosen entry of the format list at the camera's
// current rate, then the ladder's entries the camera delivers now; it accepts
// any of those (each pin has its own type). The choice starts as the entry the stored resolution index selects (decided
// when the pin is set up, from the settings file) and is made anew whenever
// ICameraSettings reads or applies a record with another index (the page
// wins; see SelectResolution). In between, IAMStreamConfig::SetFormat may
// choose any size the camera delivers now: 3032 x 2016 at every index, and
// the camera's whole 3264 x 2448 image, uncropped, while the index is 0 (the
// full-sensor read-out); that choice lasts until the index changes. Each pin
// chooses its own size. The rate is the camera's frame speed, one for both
// pins (CameraFilter::FrameSpeed): every offered and current type announces
// its interval (333333 or 666666, FrameRates.h) and bit rate, fills are paced
// to it, and SetFormat changes it through the controller as the "Camera Set"
// page's High/Normal does. A connected pin keeps its connection's frame,
// whatever is chosen meanwhile, until it connects again (SetFormat connects
// it again at once); only the rate its type announces follows the camera.
//
// Beyond IPin it exports IAMStreamConfig, IKsPropertySet (pin category),
// IAMDroppedFrames, ISpecifyPropertyPages and ICameraSettings; their methods
// live in CameraOutputPin*.cpp, one file per interface.
//
// Threading:
// - SetupPin, AddFormat, SelectResolution, RefreshCurrentType, GetMediaType,
//   CheckType, SizeBuffers, and the checks and media type copies of
//   SetFormat/GetFormat/GetStreamCaps hold the filter's StateLock. Of these
//   only SetupPin enters the camera controller (GetFormats; StateLock before
//   the controller's lock, never the reverse), and it reads the settings file
//   before it takes StateLock; GetMediaType and CheckType read no file and
//   call no SDK function.
// - GetConfig and SetConfig (ICameraSettings), and SetFormat when it changes
//   the rate, call the controller without StateLock and take it afterwards
//   only to follow the record (format selection, rate).
// - OnWorkerStart, FillSample and OnWorkerEnd run on the pin's worker thread
//   and take no filter lock (Stop holds StateLock while it joins the worker);
//   FillSample reads the stream time through CurrentStreamTime, which takes
//   only the filter's leaf timing lock, and paces to the filter's rate, an
//   atomic. m_StreamTime, m_LastTick, m_FrameLayout and m_Reader belong to
//   the worker; m_LateOffset is also written by Notify from the downstream
//   thread and m_ReanchorPending by OnRun from the graph's thread (under
//   StateLock), so both are atomic.
// - GetNumberOfCapabilities, IKsPropertySet, IAMDroppedFrames and
//   ISpecifyPropertyPages take no lock; m_Formats and m_Category do not
//   change after the filter has set up the pin.
//
// Ownership: the pin's references are its filter's (the filter destroys it);
// m_pOwnerFilter and m_pCamera are plain pointers into the filter, which
// outlives the pin. m_Formats owns its format blocks.
#pragma once

#include <dshow.h>

#include <array>
#include <atomic>
#include <memory>

#include "camera/Camera.h"
#include "camera/FrameReader.h"
#include "filter/CameraSettings.h"
#include "filter/FrameRateMeter.h"
#include "framework/MediaTypeRecord.h"
#include "framework/SourceStreamBase.h"
#include "framework/VideoType.h"

class CameraFilter;

// Module-wide count of consecutive wildcard type queries (major type video or
// interleaved, no format); the first three are refused, later ones accepted,
// until any other type resets it. Shared by every pin of every filter and
// changed under the StateLock of the filter that is checking.
extern LONG wildcardTypeRefusals;

class CameraOutputPin : public SourceStreamBase,
                        public IAMStreamConfig,
                        public ISpecifyPropertyPages,
                        public IKsPropertySet,
                        public IAMDroppedFrames,
                        public ICameraSettings {
public:
    // Adds itself to the filter's stream array (its result goes to *result).
    // The pin has no camera until AttachCamera.
    CameraOutputPin(CameraFilter* filter, HRESULT* result, const wchar_t* pinName);
    ~CameraOutputPin() override;

    FORWARD_IUNKNOWN_TO_OWNER

    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;

    // Stores the shared camera controller and the pin's category. No lock.
    void AttachCamera(CCamera* camera, REFGUID category);
    // Builds the format list from the controller's formats, chooses the
    // entry of the resolution index stored in the settings file and makes
    // the filter follow the stored frame speed; S_OK.
    HRESULT SetupPin();
    // The pin follows this resolution index: when it differs from the one
    // followed so far, the choice becomes the entry it names (1 and 2 their
    // own, any other value entry 0), whatever SetFormat chose; the same index
    // keeps the choice. Takes StateLock.
    void SelectResolution(uint8_t resolution);
    // Brings the current type in line with the choice and the rate: an
    // unconnected pin's current type becomes the offered type; a connected
    // pin keeps its connection's frame (a new size takes effect when it
    // connects again) and announces the current rate. Takes StateLock.
    void RefreshCurrentType();
    // Appends a copy of type to the format list (at most kMaxFormats entries)
    // and makes the first entry the current media type; returns the count.
    int AddFormat(const MediaTypeRecord& type);

    // The offered types: position 0 gives the chosen entry at the current
    // rate (and, while unconnected, makes it the current type); positions
    // from 1 the ladder's entries the camera delivers now (EntryDeliverable)
    // but the one of position 0's frame, at the current rate, then
    // VFW_S_NO_MORE_ITEMS (also when the list has no chosen entry); a
    // negative position E_INVALIDARG.
    HRESULT GetMediaType(int position, MediaTypeRecord* type) override;
    // Accepts a type CheckDeliverable accepts whose AvgTimePerFrame is 0 or
    // names the current rate; while unconnected the accepted type becomes the
    // current type, while connected only a type of the connection's frame
    // layout is accepted.
    // E_INVALIDARG for a refusal. A wildcard type (video or interleaved, no
    // format) is refused three times in a row, then accepted, without a block
    // to read and without becoming current.
    HRESULT CheckType(const AM_MEDIA_TYPE* type) override;

    // What a caller's type asks of the pin, once CheckDeliverable took it.
    struct DeliverableType {
        int position = -1;      // the entry of m_Formats with the type's frame
        int32_t frameSpeed = 0; // the frame speed its AvgTimePerFrame names; 0: none (keep the rate)
    };
    // Whether the pin can deliver samples of this type now, decided in this
    // one place: a well-formed video type (ValidateVideoType, whose failure
    // is returned) whose frame the pin can write as the type lays it out
    // (FrameLayoutOfType: a renderer's wider stride included) and that
    // matches an entry of the format list in major type, format type, pixel
    // format (subtype and header; IYUV as I420) and frame size, an entry the
    // camera delivers at the resolution index the pin follows
    // (EntryDeliverable), and
    // whose AvgTimePerFrame is 0 or from 333333 to 666666 (the nearer of the
    // camera's two rates is taken). VFW_E_INVALIDMEDIATYPE for a well-formed
    // type the pin cannot deliver. Caller holds StateLock.
    HRESULT CheckDeliverable(const AM_MEDIA_TYPE* type, DeliverableType* decided = nullptr);
    // 3 buffers of one frame (biSizeImage of the current type), or, for the
    // capture pin's RGB24 at one of the camera's sizes, rows unpadded, of the
    // largest camera image when that is larger (what a direct fill needs);
    // E_FAIL when the allocator grants buffers smaller than a frame.
    HRESULT SizeBuffers(IMemAllocator* allocatorToSize, ALLOCATOR_PROPERTIES* request) override;

    // Worker hooks: open and start the camera (a failure box, which nobody
    // waits for, on failure) and take a frame reader, fill one sample (a
    // whole frame of the connected format read through it, its actual data
    // length set), drop the reader and stop and close the camera.
    HRESULT OnWorkerStart() override;
    HRESULT OnWorkerEnd() override;
    HRESULT FillSample(IMediaSample* sample) override;
    // The filter runs (from Stopped or Paused): the next capture fill
    // re-anchors the stamps on the graph's stream time, when there is a
    // clock (see StampCaptureSample).
    HRESULT OnRun(REFERENCE_TIME start) override;

    // IQualityControl: a positive lateness becomes the stamps' late offset.
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;

    // IAMStreamConfig (CameraOutputPinStreamConfig.cpp)
    // SetFormat takes only a type the pin can deliver (CheckDeliverable: the
    // malformed type's code, such as E_POINTER, or VFW_E_INVALIDMEDIATYPE),
    // only while the filter is stopped (VFW_E_NOT_STOPPED). Taken, the type's
    // size becomes the pin's choice and its rate the camera's: an
    // AvgTimePerFrame of 0 keeps the rate, another sets the camera's frame
    // speed to the nearer of its two rates through the controller (saved in
    // the settings file, sent to the camera at once; both pins follow). The
    // pin's own type of that size and rate becomes the current type, and
    // GetFormat returns it. A connected pin first asks its peer (QueryAccept
    // with that type; a refusal is VFW_E_TYPE_NOT_ACCEPTED), then connects
    // again with it and returns that result; a failed reconnection puts the
    // former choice, rate, type and connection back. On every refusal nothing
    // changes. A failed save is returned after the rest is done. No type:
    // S_OK, nothing changes.
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* type) override;
    // The current type: the connection's while connected, else the offered
    // type (the choice at the current rate).
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    // Every entry, whether or not it can be delivered now, at the current
    // rate, with the capabilities of FillVideoStreamCaps.
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

    // ISpecifyPropertyPages (CameraOutputPinPages.cpp)
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

    // IKsPropertySet (CameraOutputPinPropertySet.cpp)
    HRESULT STDMETHODCALLTYPE Set(REFGUID propertySet, DWORD propertyId, void* instanceData, DWORD instanceSize,
                                  void* propertyData, DWORD dataSize) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID propertySet, DWORD propertyId, void* instanceData, DWORD instanceSize,
                                  void* propertyData, DWORD dataSize, DWORD* returnedSize) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID propertySet, DWORD propertyId, DWORD* support) override;

    // IAMDroppedFrames (CameraOutputPinDroppedFrames.cpp)
    HRESULT STDMETHODCALLTYPE GetNumDropped(long* dropped) override;
    HRESULT STDMETHODCALLTYPE GetNumNotDropped(long* notDropped) override;
    HRESULT STDMETHODCALLTYPE GetDroppedInfo(long arraySize, long* frameNumbers, long* copied) override;
    HRESULT STDMETHODCALLTYPE GetAverageFrameSize(long* averageSize) override;

    // ICameraSettings (CameraOutputPinSettings.cpp)
    HRESULT STDMETHODCALLTYPE GetConfig(CameraConfig* config) override;
    HRESULT STDMETHODCALLTYPE SetConfig(CameraConfig* config) override;

    bool IsCapturePin() const { return IsEqualGUID(m_Category, PIN_CATEGORY_CAPTURE) != FALSE; }
    // The rate at which this pin delivers samples while it streams (every
    // fill counts; empty outside streaming). Any thread.
    FrameRateMeter& DeliveryRate() { return m_DeliveryRate; }

    // Capacity of the format list (the controller lists 5, the ladder 30).
    static const int kMaxFormats = 40;

    // What Pause fails with, and the failure box says, while another filter
    // of this process has the camera open (HRESULT_FROM_WIN32(ERROR_BUSY)).
    static const HRESULT kCameraInUseResult;
    static const char kCameraInUseText[];

protected:
    // The millisecond tick that paces fills and advances the stamps, and the
    // pacing sleep; virtual so that a test can drive the clock.
    virtual DWORD CurrentTick();
    virtual void PaceSleep(DWORD milliseconds);

private:
    // The chosen entry, or null when the list has none there. Caller holds
    // StateLock.
    const MediaTypeRecord* SelectedFormat();
    // Entry position at the current rate (or frameSpeed when not 0) into
    // *type: what the pin offers for that entry. Caller holds StateLock.
    HRESULT EntryAtRate(int position, int32_t frameSpeed, MediaTypeRecord* type);
    // Whether two entries have frames of the same size. Caller holds StateLock.
    bool SameFrameSize(int a, int b);
    // Whether the camera delivers entry position at the followed resolution
    // index: at index 0 (the full sensor) every entry; at any other index the
    // camera's entries of the index entry's size and the ladder but the whole
    // 3264 x 2448 image. Caller holds StateLock.
    bool EntryDeliverable(int position);
    // The position of the entry with the type's frame that the camera
    // delivers at the followed index (the index's own entry first), or -1.
    // Caller holds StateLock.
    int DeliverablePosition(const AM_MEDIA_TYPE& type);
    // The camera's frame speed becomes frameSpeed (when it is not already):
    // the controller saves and applies it, then both pins follow. The save's
    // result. Without StateLock.
    HRESULT ChangeFrameSpeed(int32_t frameSpeed);
    // Connects to peer (again) with type: in a graph through its
    // IFilterGraph2::ReconnectEx, or ConnectDirect when the pins are apart;
    // outside a graph by the pins' own Disconnect and Connect. Without
    // StateLock.
    HRESULT ConnectAgain(IPin* peer, const AM_MEDIA_TYPE* type);
    // Shows one of the camera failure boxes (no owner, caption "Lumora
    // Camera") without waiting for it; see FailureBox.h.
    static void ReportCameraFailure(const char* text);

    GUID m_Category = PIN_CATEGORY_CAPTURE;
    // Stamps the capture sample of a fill elapsed milliseconds after the
    // previous one: start = previous end + late offset, end = previous end +
    // elapsed time. After a Run (with a clock) the end becomes the stream time
    // now, or, while the stamps are ahead of it, the sample ends where it
    // starts, until the stream time has caught up. Worker thread.
    void StampCaptureSample(IMediaSample* sample, LONG elapsed);

    // Worker thread only: end time of the last capture sample (100-ns units).
    REFERENCE_TIME m_StreamTime = 0;
    // Gap between one capture sample's end and the next start (100-ns units).
    std::atomic<REFERENCE_TIME> m_LateOffset{0};
    // Set by OnRun, taken by the next capture fill: that fill's end time
    // becomes the stream time now. Stamps never go back, so while they are
    // ahead of the stream time the fills keep it set until it catches up.
    std::atomic<bool> m_ReanchorPending{false};
    // Worker thread only: tick at the start of the previous fill.
    DWORD m_LastTick = 0;
    // Worker thread only: the frame each fill delivers, from the connection
    // type when the worker starts.
    FrameLayout m_FrameLayout;
    // Worker thread only: this pin's reader of the camera's frames, from the
    // camera's open in OnWorkerStart to OnWorkerEnd. It keeps the sequence
    // of the last frame the pin delivered and decides how each sample is
    // filled (FrameReader.h).
    std::unique_ptr<FrameReader> m_Reader;
    // Written by the worker, read by any thread (its own leaf lock).
    FrameRateMeter m_DeliveryRate;
    std::array<MediaTypeRecord, kMaxFormats> m_Formats;
    int m_FormatCount = 0;
    // Position of the chosen entry in m_Formats. Under StateLock.
    int m_SelectedPosition = 0;
    // The resolution index the choice follows (see SelectResolution). Under
    // StateLock.
    uint8_t m_ResolutionIndex = 0;
    CameraFilter* const m_pOwnerFilter; // owner, no reference
    CCamera* m_pCamera = nullptr;       // the filter's, not owned
};

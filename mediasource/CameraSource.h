// CameraSource: a live Media Foundation media source over the camera
// controller, with one video stream (CameraStream) that delivers the camera's
// newest frame for each sample request, converted to the stream's current
// type (SourceMediaTypes.h) by the camera's frame reader.
//
// The source opens the camera (CCamera::Init, Play) on Start and closes it on
// Stop and Shutdown, so the process-wide claim is held only while streaming.
// A camera that cannot be opened fails Start (HRESULT_FROM_WIN32(
// ERROR_MOD_NOT_FOUND) without the camera library, HRESULT_FROM_WIN32(
// ERROR_BUSY) while another controller of the process has it,
// MF_E_HW_MFT_FAILED_START_STREAMING when the camera refuses to open or
// start) and queues MEError with that status. A camera that sends no new frame
// for kStallMs while a request waits queues MEError
// (MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED) on the stream, once per stall; the
// request keeps waiting and is served when frames come back. Nothing here
// ever shows a window.
//
// Threads and locks. Callers (the source reader's work queue, the frame
// server, any thread) enter through COM; one worker thread of the source,
// started with the object and joined by Shutdown, serves the requests. One
// lock, m_lock (win::Lock), guards every member below that is not const: the
// state, the request queue, the allocator, the camera's open state and the
// stream pointer. It is held around the camera's Init/Play/Stop/UnInit (the
// camera's own locks are taken after it, never the other way round) and
// never around a frame read, a conversion or a wait for a frame: the worker
// reads and converts outside it and takes it only to take a request and to
// hand a finished sample over. The event queues are Media Foundation's
// (MFCreateEventQueue): thread-safe, delivering on their own threads and
// never calling into the source, so events and samples are queued under
// m_lock: a state change's events and the worker's epoch check and queueing
// are each one step, so no sample follows a Stop's MEStreamStopped.
// m_cameraLife (taken before m_lock, never while the worker or a state
// change holds m_lock) keeps the camera controller alive for IKsControl's
// property requests, which change the camera's settings and save the
// settings file outside m_lock; Shutdown takes it to destroy the controller.
// Shutdown sets the state under m_lock, then joins the worker and closes the
// camera outside it. docs/threading.md lists these.
//
// Lifetime: the source and its stream hold references to each other until
// Shutdown, which breaks the cycle (Media Foundation's rule: a source's
// owner shuts it down before releasing it).
#pragma once

#include <windows.h>

#include "mediasource/MediaFoundationExtras.h"

#include <ks.h>
#include <devicetopology.h>
#include <wrl/client.h>

#include <deque>
#include <memory>

#include "mediasource/QueuedEventGenerator.h"
#include "mediasource/SourceMediaTypes.h"
#include "mediasource/SourceModule.h"
#include "win/ComObject.h"
#include "win/ConditionVariable.h"
#include "win/Lock.h"
#include "win/Thread.h"

class CCamera;
class FrameReader;

namespace mediasource {

class CameraStream;

// A new media source over the camera, handing out iid.
HRESULT CreateCameraSource(REFIID iid, void** out);

class CameraSource final : public QueuedEventGenerator<
                               win::ComObject<IMFMediaSourceEx, IMFGetService, IKsControl, IMFSampleAllocatorControl>> {
public:
    // Without new frames for this long while a request waits, the stream
    // reports MEError.
    static constexpr DWORD kStallMs = 2000;

    CameraSource();
    ~CameraSource() override;

    // Event queues, presentation descriptor, stream, worker. Once, right
    // after construction.
    HRESULT Initialize();

    // IMFMediaSource
    HRESULT STDMETHODCALLTYPE GetCharacteristics(DWORD* characteristics) override;
    HRESULT STDMETHODCALLTYPE CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor) override;
    HRESULT STDMETHODCALLTYPE Start(IMFPresentationDescriptor* descriptor, const GUID* timeFormat,
                                    const PROPVARIANT* startPosition) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Shutdown() override;
    // IMFMediaSourceEx
    HRESULT STDMETHODCALLTYPE GetSourceAttributes(IMFAttributes** attributes) override;
    HRESULT STDMETHODCALLTYPE GetStreamAttributes(DWORD streamId, IMFAttributes** attributes) override;
    HRESULT STDMETHODCALLTYPE SetD3DManager(IUnknown* manager) override;
    // IMFGetService: no services.
    HRESULT STDMETHODCALLTYPE GetService(REFGUID service, REFIID iid, void** out) override;
    // IKsControl: the camera's controls (CameraSourceKsControl.cpp).
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, void* data, ULONG dataLength,
                                         ULONG* returned) override;
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD method, ULONG methodLength, void* data, ULONG dataLength,
                                       ULONG* returned) override;
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT event, ULONG eventLength, void* data, ULONG dataLength,
                                      ULONG* returned) override;
    // IMFSampleAllocatorControl: samples from an IMFVideoSampleAllocator
    // handed in, or else from the source's own 2-D buffers.
    HRESULT STDMETHODCALLTYPE SetDefaultAllocator(DWORD outputStreamId, IUnknown* allocator) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorUsage(DWORD outputStreamId, DWORD* inputStreamId,
                                                LumoraSampleAllocatorUsage* usage) override;

    // The stream's side (CameraStream calls these).
    HRESULT RequestSample(IUnknown* token);
    HRESULT SetStreamState(LumoraStreamState state);
    HRESULT GetStreamState(LumoraStreamState* state);

protected:
    void* QueryOtherInterface(REFIID iid) override;
    IMFMediaEventQueue* EventQueue() const override { return m_events.Get(); }

private:
    enum class State { Stopped, Paused, Started };

    // Opens and starts the camera when it is not open: S_OK, or the failure
    // as the HRESULT Start reports. Caller holds m_lock.
    HRESULT OpenCamera();
    // Stops and closes the camera when it is open. Caller holds m_lock.
    void CloseCamera();
    // Sets the camera's frame rate to the one of the stream's current type.
    // Caller holds m_lock or is the worker.
    void ApplyFrameRate(const SourceType& entry);
    // The table entry of the stream's current type, and the type; -1 when
    // it is none of the table's.
    int CurrentType(Microsoft::WRL::ComPtr<IMFMediaType>* type);
    // Queues an event with a value (may be null) on the source's queue.
    HRESULT QueueSourceEvent(MediaEventType type, HRESULT status, const PROPVARIANT* value);

    // The worker's body and its steps.
    DWORD RunWorker();
    // A sample of entry with one 2-D buffer: from the allocator (the one
    // handed in, or else the worker's own) when it has one free, else a new
    // 2-D buffer.
    HRESULT MakeSample(const SourceType& entry, IMFMediaType* type, IMFVideoSampleAllocator* allocator,
                       Microsoft::WRL::ComPtr<IMFSample>* sample);
    // Fills sample's buffer with the next fresh frame: S_OK when filled,
    // S_FALSE when the request was withdrawn (Stop, Pause, Shutdown) before a
    // frame came. Reports a stall as it waits.
    HRESULT FillSample(FrameReader& reader, const SourceType& entry, IMFSample* sample, ULONGLONG epoch);
    // Whether the request taken at epoch still stands. Takes m_lock.
    bool RequestStands(ULONGLONG epoch);
    void ReportStall();

    ModuleObjectCount m_count;
    win::Lock m_cameraLife; // held by property requests and by Shutdown around m_camera.reset()
    win::Lock m_lock;
    win::ConditionVariable m_wake; // the worker waits on it under m_lock
    bool m_started = false;        // MFStartup was called
    bool m_shutdown = false;
    State m_state = State::Stopped;
    LumoraStreamState m_streamState = kLumoraStreamStateStopped;
    // Stream activations so far (MENewStream the first time, MEUpdatedStream after).
    bool m_streamActivated = false;
    // Bumped by every Start, Pause, Stop, stream state change and Shutdown:
    // a request the worker took at another epoch is served no more.
    ULONGLONG m_epoch = 0;
    // Requests not yet served, oldest first (tokens, which may be null).
    std::deque<Microsoft::WRL::ComPtr<IUnknown>> m_requests;
    bool m_stallReported = false;
    Microsoft::WRL::ComPtr<IMFVideoSampleAllocator> m_allocator;
    std::unique_ptr<CCamera> m_camera;
    bool m_cameraOpen = false;
    Microsoft::WRL::ComPtr<IMFMediaEventQueue> m_events;
    Microsoft::WRL::ComPtr<IMFPresentationDescriptor> m_descriptor;
    Microsoft::WRL::ComPtr<IMFStreamDescriptor> m_streamDescriptor;
    Microsoft::WRL::ComPtr<IMFMediaTypeHandler> m_handler;
    Microsoft::WRL::ComPtr<IMFAttributes> m_sourceAttributes;
    Microsoft::WRL::ComPtr<IMFAttributes> m_streamAttributes;
    Microsoft::WRL::ComPtr<CameraStream> m_stream;
    win::Thread m_worker;
};

} // namespace mediasource

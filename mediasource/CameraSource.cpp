#include "mediasource/CameraSource.h"

#include "camera/Camera.h"
#include "camera/CameraSdkLoader.h"
#include "camera/FrameRates.h"
#include "camera/FrameReader.h"
#include "mediasource/CameraStream.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace mediasource {

namespace {

// The controller the source drives, with the machine-wide settings file
// (%ProgramData%\Lumora Camera\Lumora Camera.config): the source runs for
// every user and in the frame server's service, never in one user's
// temporary folder.
std::unique_ptr<CCamera> MakeSourceCamera()
{
    return std::unique_ptr<CCamera>(new (std::nothrow) CCamera(SettingsLocation::MachineWide()));
}

HRESULT SetStreamAttributes(IMFAttributes* attributes)
{
    RETURN_IF_FAILED(attributes->SetGUID(LUMORA_MF_DEVICESTREAM_STREAM_CATEGORY, LUMORA_PINNAME_VIDEO_CAPTURE));
    RETURN_IF_FAILED(attributes->SetUINT32(LUMORA_MF_DEVICESTREAM_STREAM_ID, 0));
    RETURN_IF_FAILED(
        attributes->SetUINT32(LUMORA_MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES, kLumoraFrameSourceTypesColor));
    return attributes->SetUINT32(LUMORA_MF_DEVICESTREAM_FRAMESERVER_SHARED, 1);
}

} // namespace

HRESULT CreateCameraSource(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    const ComPtr<CameraSource> source = win::MakeComObject<CameraSource>();
    if (!source) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = source->Initialize();
    if (FAILED(hr)) {
        source->Shutdown();
        return hr;
    }
    return source.CopyTo(iid, out);
}

CameraSource::CameraSource() = default;

CameraSource::~CameraSource()
{
    // Shutdown ran (the stream's reference kept the source alive until it
    // did), or Initialize failed before the worker started.
    m_worker.Join();
    if (m_started) {
        MFShutdown();
    }
}

HRESULT CameraSource::Initialize()
{
    RETURN_IF_FAILED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
    m_started = true;
    m_camera = MakeSourceCamera();
    if (!m_camera) {
        return E_OUTOFMEMORY;
    }
    RETURN_IF_FAILED(MFCreateEventQueue(&m_events));

    IMFMediaType* types[kSourceTypeCount] = {};
    HRESULT hr = S_OK;
    for (int i = 0; i < kSourceTypeCount && SUCCEEDED(hr); ++i) {
        hr = CreateMediaTypeOf(SourceTypeAt(i), &types[i]);
    }
    if (SUCCEEDED(hr)) {
        hr = MFCreateStreamDescriptor(0, kSourceTypeCount, types, &m_streamDescriptor);
    }
    for (IMFMediaType* type : types) {
        if (type) {
            type->Release();
        }
    }
    RETURN_IF_FAILED(hr);
    RETURN_IF_FAILED(m_streamDescriptor->GetMediaTypeHandler(&m_handler));
    ComPtr<IMFMediaType> first;
    RETURN_IF_FAILED(m_handler->GetMediaTypeByIndex(0, &first));
    RETURN_IF_FAILED(m_handler->SetCurrentMediaType(first.Get()));
    RETURN_IF_FAILED(SetStreamAttributes(m_streamDescriptor.Get()));

    IMFStreamDescriptor* streams[] = {m_streamDescriptor.Get()};
    RETURN_IF_FAILED(MFCreatePresentationDescriptor(1, streams, &m_descriptor));
    RETURN_IF_FAILED(m_descriptor->SelectStream(0));

    RETURN_IF_FAILED(MFCreateAttributes(&m_sourceAttributes, 2));
    RETURN_IF_FAILED(m_sourceAttributes->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE,
                                                 MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID));
    RETURN_IF_FAILED(m_sourceAttributes->SetString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, L"Lumora Camera"));
    RETURN_IF_FAILED(MFCreateAttributes(&m_streamAttributes, 4));
    RETURN_IF_FAILED(SetStreamAttributes(m_streamAttributes.Get()));

    ComPtr<IMFMediaEventQueue> streamEvents;
    RETURN_IF_FAILED(MFCreateEventQueue(&streamEvents));
    m_stream = win::MakeComObject<CameraStream>(this, m_streamDescriptor.Get(), streamEvents.Get());
    if (!m_stream) {
        streamEvents->Shutdown();
        return E_OUTOFMEMORY;
    }
    if (!m_worker.Start([this] { return RunWorker(); }, win::Thread::ModuleHold::UntilExit)) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void* CameraSource::QueryOtherInterface(REFIID iid)
{
    if (IsEqualIID(iid, IID_IMFMediaSource)) {
        return static_cast<IMFMediaSource*>(this);
    }
    if (IsEqualIID(iid, IID_IMFMediaEventGenerator)) {
        return static_cast<IMFMediaEventGenerator*>(this);
    }
    return nullptr;
}

HRESULT CameraSource::QueueSourceEvent(MediaEventType type, HRESULT status, const PROPVARIANT* value)
{
    return m_events->QueueEventParamVar(type, GUID_NULL, status, value);
}

// ---- IMFMediaSource

HRESULT STDMETHODCALLTYPE CameraSource::GetCharacteristics(DWORD* characteristics)
{
    if (!characteristics) {
        return E_POINTER;
    }
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    *characteristics = MFMEDIASOURCE_IS_LIVE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraSource::CreatePresentationDescriptor(IMFPresentationDescriptor** descriptor)
{
    if (!descriptor) {
        return E_POINTER;
    }
    *descriptor = nullptr;
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    return m_descriptor->Clone(descriptor);
}

HRESULT STDMETHODCALLTYPE CameraSource::Start(IMFPresentationDescriptor* descriptor, const GUID* timeFormat,
                                             const PROPVARIANT* startPosition)
{
    if (!descriptor || !startPosition) {
        return E_INVALIDARG;
    }
    if (timeFormat && !IsEqualGUID(*timeFormat, GUID_NULL)) {
        return MF_E_UNSUPPORTED_TIME_FORMAT;
    }
    if (startPosition->vt != VT_EMPTY && startPosition->vt != VT_I8) {
        return MF_E_UNSUPPORTED_TIME_FORMAT;
    }
    DWORD streamCount = 0;
    RETURN_IF_FAILED(descriptor->GetStreamDescriptorCount(&streamCount));
    BOOL selected = FALSE;
    ComPtr<IMFStreamDescriptor> stream;
    DWORD streamId = 0;
    if (streamCount != 1 || FAILED(descriptor->GetStreamDescriptorByIndex(0, &selected, &stream)) ||
        FAILED(stream->GetStreamIdentifier(&streamId)) || streamId != 0) {
        return E_INVALIDARG;
    }

    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    if (selected) {
        ComPtr<IMFMediaType> type;
        const int index = CurrentType(&type);
        if (index < 0) {
            return MF_E_INVALIDMEDIATYPE;
        }
        ApplyFrameRate(SourceTypeAt(index));
        const HRESULT opened = OpenCamera();
        if (FAILED(opened)) {
            QueueSourceEvent(MEError, opened, nullptr);
            return opened;
        }
        PROPVARIANT streamValue;
        PropVariantInit(&streamValue);
        streamValue.vt = VT_UNKNOWN;
        streamValue.punkVal = static_cast<IMFMediaStream*>(m_stream.Get());
        QueueSourceEvent(m_streamActivated ? MEUpdatedStream : MENewStream, S_OK, &streamValue);
        m_streamActivated = true;
    }
    // A live source has no positions of its own: the events carry the
    // position asked for (or none), and delivery starts with the newest frame.
    QueueSourceEvent(MESourceStarted, S_OK, startPosition);
    if (selected) {
        m_stream->QueueStreamEvent(MEStreamStarted, S_OK, startPosition);
        m_streamState = kLumoraStreamStateRunning;
    } else {
        m_requests.clear();
        m_streamState = kLumoraStreamStateStopped;
    }
    m_state = State::Started;
    m_stallReported = false;
    ++m_epoch;
    m_wake.WakeAll();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraSource::Pause()
{
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    if (m_state != State::Started) {
        return MF_E_INVALID_STATE_TRANSITION;
    }
    // The camera runs on (a live source's pause only holds its samples back);
    // the requests stay queued for the next Start.
    m_state = State::Paused;
    ++m_epoch;
    QueueSourceEvent(MESourcePaused, S_OK, nullptr);
    if (m_streamState == kLumoraStreamStateRunning) {
        m_streamState = kLumoraStreamStatePaused;
        m_stream->QueueStreamEvent(MEStreamPaused, S_OK, nullptr);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraSource::Stop()
{
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    const bool streamActive = m_streamState != kLumoraStreamStateStopped;
    m_state = State::Stopped;
    m_streamState = kLumoraStreamStateStopped;
    m_requests.clear();
    ++m_epoch;
    CloseCamera();
    QueueSourceEvent(MESourceStopped, S_OK, nullptr);
    if (streamActive) {
        m_stream->QueueStreamEvent(MEStreamStopped, S_OK, nullptr);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraSource::Shutdown()
{
    ComPtr<CameraStream> stream;
    {
        win::LockGuard guard(m_lock);
        if (m_shutdown) {
            return MF_E_SHUTDOWN;
        }
        m_shutdown = true;
        m_state = State::Stopped;
        m_requests.clear();
        m_allocator.Reset();
        ++m_epoch;
        m_wake.WakeAll();
        stream.Swap(m_stream);
    }
    // The worker takes m_lock to end: joined outside it. The camera is
    // closed after the worker's frame reader is gone.
    m_worker.Join();
    {
        win::LockGuard life(m_cameraLife); // waits for a property request in progress
        {
            win::LockGuard guard(m_lock);
            CloseCamera();
        }
        m_camera.reset();
    }
    if (m_events) {
        m_events->Shutdown();
    }
    if (stream) {
        stream->Shutdown(); // lets go of this source: the last step that may use it
    }
    return S_OK;
}

// ---- IMFMediaSourceEx

HRESULT STDMETHODCALLTYPE CameraSource::GetSourceAttributes(IMFAttributes** attributes)
{
    if (!attributes) {
        return E_POINTER;
    }
    *attributes = nullptr;
    win::LockGuard guard(m_lock);
    return m_shutdown ? MF_E_SHUTDOWN : m_sourceAttributes.CopyTo(attributes);
}

HRESULT STDMETHODCALLTYPE CameraSource::GetStreamAttributes(DWORD streamId, IMFAttributes** attributes)
{
    if (!attributes) {
        return E_POINTER;
    }
    *attributes = nullptr;
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    return streamId == 0 ? m_streamAttributes.CopyTo(attributes) : MF_E_INVALIDSTREAMNUMBER;
}

HRESULT STDMETHODCALLTYPE CameraSource::SetD3DManager(IUnknown* /*manager*/)
{
    // Frames are written in system memory; a device manager changes nothing.
    win::LockGuard guard(m_lock);
    return m_shutdown ? MF_E_SHUTDOWN : S_OK;
}

HRESULT STDMETHODCALLTYPE CameraSource::GetService(REFGUID /*service*/, REFIID /*iid*/, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    return MF_E_UNSUPPORTED_SERVICE;
}

// ---- IMFSampleAllocatorControl

HRESULT STDMETHODCALLTYPE CameraSource::SetDefaultAllocator(DWORD outputStreamId, IUnknown* allocator)
{
    if (outputStreamId != 0) {
        return MF_E_INVALIDSTREAMNUMBER;
    }
    ComPtr<IMFVideoSampleAllocator> video;
    if (allocator) {
        RETURN_IF_FAILED(allocator->QueryInterface(IID_PPV_ARGS(&video)));
    }
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    m_allocator = video;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraSource::GetAllocatorUsage(DWORD outputStreamId, DWORD* inputStreamId,
                                                         LumoraSampleAllocatorUsage* usage)
{
    if (!inputStreamId || !usage) {
        return E_POINTER;
    }
    if (outputStreamId != 0) {
        return MF_E_INVALIDSTREAMNUMBER;
    }
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    // A source has no input: the samples come from the allocator handed in,
    // or from the source's own buffers when none was.
    *inputStreamId = 0;
    *usage = kLumoraAllocatorUsesProvided;
    return S_OK;
}

// ---- the stream's side

HRESULT CameraSource::RequestSample(IUnknown* token)
{
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    if (m_state == State::Stopped || m_streamState == kLumoraStreamStateStopped) {
        return MF_E_MEDIA_SOURCE_WRONGSTATE;
    }
    m_requests.emplace_back(token);
    m_wake.WakeAll();
    return S_OK;
}

HRESULT CameraSource::SetStreamState(LumoraStreamState state)
{
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    switch (state) {
    case kLumoraStreamStateStopped:
        m_requests.clear();
        break;
    case kLumoraStreamStatePaused:
        break;
    case kLumoraStreamStateRunning:
        // The stream runs only while the source does.
        if (m_state != State::Started) {
            return MF_E_INVALID_STATE_TRANSITION;
        }
        break;
    default:
        return E_INVALIDARG;
    }
    m_streamState = state;
    ++m_epoch;
    m_wake.WakeAll();
    return S_OK;
}

HRESULT CameraSource::GetStreamState(LumoraStreamState* state)
{
    if (!state) {
        return E_POINTER;
    }
    win::LockGuard guard(m_lock);
    if (m_shutdown) {
        return MF_E_SHUTDOWN;
    }
    *state = m_streamState;
    return S_OK;
}

// ---- the camera

HRESULT CameraSource::OpenCamera()
{
    if (m_cameraOpen) {
        return S_OK;
    }
    const int opened = m_camera->Init();
    if (opened == CCamera::kInitInUse) {
        return HRESULT_FROM_WIN32(ERROR_BUSY);
    }
    if (opened != 1) {
        return GetCameraSdk().present ? MF_E_HW_MFT_FAILED_START_STREAMING : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    if (m_camera->Play() != 1) {
        m_camera->UnInit();
        return MF_E_HW_MFT_FAILED_START_STREAMING;
    }
    m_cameraOpen = true;
    return S_OK;
}

void CameraSource::CloseCamera()
{
    if (!m_cameraOpen) {
        return;
    }
    m_camera->Stop();
    m_camera->UnInit();
    m_cameraOpen = false;
}

void CameraSource::ApplyFrameRate(const SourceType& entry)
{
    CameraConfig config;
    if (m_camera->GetConfig(&config) != 1) {
        return;
    }
    const int32_t speed =
        entry.frameInterval == FrameRates::kNormalFrameInterval ? kFrameSpeedNormal : kFrameSpeedHigh;
    if (FrameRates::FrameIntervalForSpeed(config.m_FrameSpeed) != entry.frameInterval) {
        m_camera->SetFrameSpeed(speed);
    }
}

int CameraSource::CurrentType(ComPtr<IMFMediaType>* type)
{
    if (FAILED(m_handler->GetCurrentMediaType(type->ReleaseAndGetAddressOf()))) {
        return -1;
    }
    return FindSourceType(type->Get());
}

} // namespace mediasource

#include "simcamera/SimCamera.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "simcamera/FrameOverlay.h"
#include "simcamera/Scene.h"

namespace {

SimCamera camera;

// Sizes an override is kept within: the stamp needs 16 pixels of width.
constexpr int kMinOverrideWidth = 16;
constexpr int kMinOverrideHeight = 2;
constexpr int kMaxOverrideSide = 8192;

void BuiltInImageSize(int resolution, int* width, int* height)
{
    if (resolution == 1 || resolution == 2) {
        *width = 3032; // binned read-out
        *height = 2016;
    } else {
        *width = 3264; // full sensor
        *height = 2448;
    }
}

} // namespace

SimCamera& TheCamera()
{
    return camera;
}

SimCamera::SimCamera() : m_producer(*this) {}

SimCamera::~SimCamera() = default;

int SimCamera::Init(CameraCallback callback, int resolution, HWND notifyWindow)
{
    win::ExclusiveGuard lifecycle(m_lifecycleLock);
    {
        win::ExclusiveGuard state(m_stateLock);
        if (FaultActive(SimFaultCameraInit)) {
            return 0;
        }
    }
    // A second Init starts a new session with the new arguments.
    StopAndUnInit();
    {
        win::ExclusiveGuard state(m_stateLock);
        m_resolution = resolution;
        TakeImageSize();
        m_sizeChangePending = false;
        m_sizeChangeAfterQuery = false;
        m_callback = callback;
        m_notifyWindow = notifyWindow;
        m_sequence = 0;
        m_frameQpc = 0;
        m_framePending = false;
        m_initialised = true;
        ++m_generation;
    }
    // Render now, so that the first fetch is a plain copy.
    if (!CurrentPicture()) {
        win::ExclusiveGuard state(m_stateLock);
        m_initialised = false;
        return 0;
    }
    return 1;
}

int SimCamera::UnInit()
{
    win::ExclusiveGuard lifecycle(m_lifecycleLock);
    {
        win::ExclusiveGuard state(m_stateLock);
        if (!m_initialised) {
            return 0;
        }
    }
    StopAndUnInit();
    return 1;
}

void SimCamera::StopAndUnInit()
{
    {
        win::ExclusiveGuard state(m_stateLock);
        m_playing = false;
    }
    m_producer.Stop();
    std::shared_ptr<const RenderedPicture> released;
    {
        win::ExclusiveGuard state(m_stateLock);
        m_initialised = false;
        m_notifyWindow = nullptr;
        m_callback = nullptr;
        released = std::move(m_picture);
    }
    // The picture's memory goes when the last fetch copying it lets go.
}

int SimCamera::Play()
{
    win::ExclusiveGuard lifecycle(m_lifecycleLock);
    {
        win::ExclusiveGuard state(m_stateLock);
        if (FaultActive(SimFaultCameraPlay) || !m_initialised) {
            return 0;
        }
        if (m_playing) {
            return 1;
        }
        m_playing = true;
        m_framePending = false; // a new stream: nothing is waiting to be fetched
    }
    if (!m_producer.Start()) {
        win::ExclusiveGuard state(m_stateLock);
        m_playing = false;
        return 0;
    }
    return 1;
}

int SimCamera::Stop()
{
    win::ExclusiveGuard lifecycle(m_lifecycleLock);
    {
        win::ExclusiveGuard state(m_stateLock);
        if (!m_initialised) {
            return 0;
        }
        m_playing = false;
    }
    m_producer.Stop();
    return 1;
}

int SimCamera::GetImageSize(int* width, int* height)
{
    win::ExclusiveGuard state(m_stateLock);
    if (FaultActive(SimFaultImageSize) || !m_initialised || !width || !height) {
        return 0;
    }
    *width = m_width;
    *height = m_height;
    if (m_sizeChangeAfterQuery) {
        // A read-out whose size changes between the caller's size query and
        // its fetch: the fetch writes an image of the new size.
        m_sizeChangeAfterQuery = false;
        TakeImageSize();
        ++m_generation;
    }
    return 1;
}

int SimCamera::Fetch(unsigned char* buffer)
{
    if (!buffer) {
        return 0;
    }
    // A concurrent Init may change the size between taking the picture and
    // the frame; take both again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::shared_ptr<const RenderedPicture> picture = CurrentPicture();
        if (!picture) {
            return 0;
        }
        uint32_t sequence;
        uint64_t qpc;
        bool markerHeld;
        {
            win::ExclusiveGuard state(m_stateLock);
            if (!m_initialised) {
                return 0;
            }
            if (picture->width != m_width || picture->height != m_height) {
                continue;
            }
            sequence = m_sequence;
            qpc = m_frameQpc;
            markerHeld = m_markerHeld;
            m_framePending = false;
            ++m_counters.fetched;
        }
        std::memcpy(buffer, picture->pixels.get(), picture->ByteSize());
        DrawMarker(buffer, picture->width, picture->height, markerHeld ? 0 : sequence, picture->hMirror,
                   picture->vMirror);
        WriteStamp(buffer, picture->width, picture->height, sequence, qpc);
        return 1;
    }
    return 0;
}

SimSettings SimCamera::Settings()
{
    win::ExclusiveGuard state(m_stateLock);
    return m_settings;
}

void SimCamera::RunAutoWhiteBalance()
{
    ChangeSettings([](SimSettings& settings) {
        if (settings.GainG <= 0) {
            settings.GainG = SimSettings().GainG;
        }
        scene::NeutralGains(settings.GainG, &settings.GainR, &settings.GainB);
    });
}

void SimCamera::RestartExposure()
{
    m_producer.RestartExposure();
}

void SimCamera::SetFault(int fault, bool active)
{
    win::ExclusiveGuard state(m_stateLock);
    if (fault > 0 && fault < kFaultSlots) {
        m_faults[fault] = active;
    }
}

void SimCamera::SetImageSizeOverride(int width, int height, SizeChange when)
{
    win::ExclusiveGuard state(m_stateLock);
    if (width <= 0 || height <= 0) {
        m_overrideWidth = 0;
        m_overrideHeight = 0;
    } else {
        m_overrideWidth = std::clamp(width, kMinOverrideWidth, kMaxOverrideSide);
        m_overrideHeight = std::clamp(height, kMinOverrideHeight, kMaxOverrideSide);
    }
    // Otherwise the next CameraInit takes it.
    m_sizeChangePending = when == SizeChange::BetweenFrames && m_initialised;
    m_sizeChangeAfterQuery = when == SizeChange::AfterNextSizeQuery && m_initialised;
}

SimCounters SimCamera::Counters()
{
    win::ExclusiveGuard state(m_stateLock);
    return m_counters;
}

void SimCamera::HoldMarker(bool held)
{
    win::ExclusiveGuard state(m_stateLock);
    m_markerHeld = held;
}

void SimCamera::ResetCounters()
{
    win::ExclusiveGuard state(m_stateLock);
    m_counters = {};
}

void SimCamera::Reset()
{
    win::ExclusiveGuard lifecycle(m_lifecycleLock);
    StopAndUnInit();
    win::ExclusiveGuard state(m_stateLock);
    m_settings = SimSettings();
    ++m_generation;
    std::fill(std::begin(m_faults), std::end(m_faults), false);
    m_overrideWidth = 0;
    m_overrideHeight = 0;
    m_sizeChangePending = false;
    m_sizeChangeAfterQuery = false;
    m_markerHeld = false;
    m_resolution = 0;
    m_width = 0;
    m_height = 0;
    m_sequence = 0;
    m_frameQpc = 0;
    m_framePending = false;
    m_counters = {};
}

unsigned SimCamera::FrameIntervalMs()
{
    win::ExclusiveGuard state(m_stateLock);
    return ::FrameIntervalMs(m_settings);
}

void SimCamera::ProduceFrame()
{
    {
        win::ExclusiveGuard state(m_stateLock);
        if (!m_playing || FaultActive(SimFaultUnplugged)) {
            return; // unplugged: the sensor delivers nothing
        }
    }
    // Bring the picture up to date before announcing the frame, so that the
    // fetch it prompts is a plain copy.
    CurrentPicture();

    CameraCallback callback = nullptr;
    uint32_t sequence = 0;
    {
        win::ExclusiveGuard state(m_stateLock);
        // Checked again under the lock that announces the frame: once
        // SetFault has unplugged the camera, no frame is announced, so a
        // caller that then counts the frames posted sees the last one.
        if (!m_playing || FaultActive(SimFaultUnplugged)) {
            return;
        }
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        // A read-out size change takes effect between frames: never while an
        // announced frame may be between its size query and its fetch.
        if (m_sizeChangePending && !m_framePending) {
            m_sizeChangePending = false;
            TakeImageSize();
            ++m_generation; // the picture is rendered again at the new size
        }
        sequence = ++m_sequence;
        m_frameQpc = static_cast<uint64_t>(now.QuadPart);
        ++m_counters.produced;
        if (m_notifyWindow) {
            if (m_framePending) {
                ++m_counters.skipped;
            } else if (PostMessageA(m_notifyWindow, WM_CAMERA_FRAME, 0, 0)) {
                m_framePending = true;
                ++m_counters.posted;
            }
        }
        callback = m_callback;
    }
    // Outside the lock: the callback may call back into the SDK.
    if (callback) {
        callback(static_cast<int>(sequence));
    }
}

std::shared_ptr<const RenderedPicture> SimCamera::CurrentPicture()
{
    win::ExclusiveGuard render(m_renderLock);
    PictureRequest request;
    {
        win::ExclusiveGuard state(m_stateLock);
        if (!m_initialised) {
            return nullptr;
        }
        if (m_picture && m_picture->generation == m_generation) {
            return m_picture;
        }
        request.settings = m_settings;
        request.resolution = m_resolution;
        request.width = m_width;
        request.height = m_height;
        request.generation = m_generation;
    }
    std::shared_ptr<const RenderedPicture> picture = RenderPicture(request);
    if (!picture) {
        return nullptr;
    }
    std::shared_ptr<const RenderedPicture> replaced;
    {
        win::ExclusiveGuard state(m_stateLock);
        // A change made while rendering leaves this picture stale; the next
        // caller renders again. It is still the right answer to this call.
        if (m_initialised && m_generation == request.generation) {
            replaced = std::exchange(m_picture, picture);
        }
    }
    return picture;
}

void SimCamera::TakeImageSize()
{
    if (m_overrideWidth > 0) {
        m_width = m_overrideWidth;
        m_height = m_overrideHeight;
    } else {
        BuiltInImageSize(m_resolution, &m_width, &m_height);
    }
}

bool SimCamera::FaultActive(int fault) const
{
    return fault > 0 && fault < kFaultSlots && m_faults[fault];
}

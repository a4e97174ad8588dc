#include "camera/Camera.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "camera/CameraSdkLoader.h"
#include "camera/OpenTimeline.h"
#include "camera/CameraSettingFields.h"
#include "camera/FramePathCounters.h"
#include "camera/ImageLimits.h"

namespace {

struct FormatSize {
    int width;
    int height;
};

// The formats the pins offer, in GetFormats order.
const FormatSize kOfferedFormats[] = {
    {3032, 2016}, {3032, 2016}, {3032, 2016}, {3264, 2448}, {3264, 2448},
};
const int kOfferedFormatCount = 5;

// The controller that has the camera open, or null: the process's claim on
// the camera (see Camera.h). The filter module holds the only copy of this
// code in a process, so one claim per module is one per process. Taken and
// given back by the holder under its own m_Lock; never waited for.
std::atomic<const CCamera*> cameraHolder{nullptr};

// Reads one value through an SDK Get at the width the Get writes (the frame
// speed comes in 8 bits). A Get that writes nothing leaves the field as it was.
template <class Value, class Field>
void ReadThrough(int(__stdcall* get)(Value*), Field& field)
{
    Value value = static_cast<Value>(field);
    get(&value);
    field = static_cast<Field>(value);
}

// Overwrites the fields the camera holds with its current values, in the
// table's order. Results are not examined: a value the SDK does not write
// keeps what the record had.
void ReadFromCamera(const CameraSdk& sdk, CameraConfig& record)
{
    int* gains[kGainChannels] = {};
#define LUMORA_READ_PAIR(name, member, type, offset, initial, index) ReadThrough(sdk.CameraGet##name, record.member);
#define LUMORA_READ_GAIN(name, member, type, offset, initial, index)                                           \
    gains[index] = &record.member;                                                                             \
    if constexpr (index == kGainChannels - 1) {                                                                \
        sdk.CameraGetGain(gains[0], gains[1], gains[2]);                                                       \
    }
#define LUMORA_READ_MIRROR(name, member, type, offset, initial, index) sdk.CameraGetMirror(index, &record.member);
    LUMORA_CAMERA_SETTING_FIELDS(LUMORA_SETTING_SKIP, LUMORA_READ_PAIR, LUMORA_READ_PAIR, LUMORA_READ_GAIN,
                                 LUMORA_READ_MIRROR)
#undef LUMORA_READ_PAIR
#undef LUMORA_READ_GAIN
#undef LUMORA_READ_MIRROR
}

} // namespace

CCamera::CCamera(SettingsLocation settings) : m_Settings(std::move(settings)) {}

CCamera::~CCamera()
{
    // Closes the camera when it is open (without Stop: CameraUnInit ends the stream).
    UnInit();
    // UnInit and a failed Init end their capture thread; end any other one
    // before the members it uses go away. Declared before the guard, so the
    // thread is joined after m_Lock is left.
    CaptureResources remaining;
    win::LockGuard guard(m_Lock);
    TakeCaptureResources(remaining);
}

int CCamera::Init()
{
    // The record Init applies goes to the file before any later change does.
    win::LockGuard turn(m_SettingsTurn);
    std::optional<CameraConfig> applied;
    const int result = Open(applied);
    // Outside m_Lock, as every use of the settings file.
    if (applied) {
        m_Settings.Store(*applied);
        MarkNow(LastOpenTimeline().settingsSaved);
    }
    return result;
}

int CCamera::Open(std::optional<CameraConfig>& applied)
{
    // Declared before the guard, so that a failed attempt's capture thread is
    // ended after m_Lock is left.
    CaptureResources failed;
    win::LockGuard guard(m_Lock);
    WaitForFetchToEnd();
    if (m_bOpened) {
        return 1;
    }
    // Before anything is started: the holder's camera must not be touched.
    if (!TakeCameraClaim()) {
        return kInitInUse;
    }
    LastOpenTimeline().Restart();
    MarkNow(LastOpenTimeline().openBegan);
    if (!StartCaptureThread() || !OpenSdk(applied)) {
        TakeCaptureResources(failed);
        GiveCameraClaim();
        return kInitFailed;
    }
    // The cleared image is black: no earlier frame is in it.
    m_SequenceAtOpen = m_FramesReceived;
    m_FrameAwaitsFetch = false;
    m_bOpened = 1;
    return 1;
}

bool CCamera::TakeCameraClaim()
{
    const CCamera* free = nullptr;
    return cameraHolder.compare_exchange_strong(free, this);
}

void CCamera::GiveCameraClaim()
{
    const CCamera* self = this;
    cameraHolder.compare_exchange_strong(self, nullptr);
}

bool CCamera::OpenSdk(std::optional<CameraConfig>& applied)
{
    const CameraSdk& sdk = GetCameraSdk();
    OpenTimeline& timeline = LastOpenTimeline();
    MarkNow(timeline.captureThreadReady);
    if (sdk.CameraInit(&CameraCallback, m_Config.m_Format.m_Resolution, m_hWnd, m_hWnd) != 1) {
        return false;
    }
    MarkNow(timeline.cameraInitDone);
    // The whole current record goes to the freshly opened camera, every
    // value: the camera may hold anything (its power-on values in a new
    // program), and the record is what the settings file keeps.
    SendSettings(m_Config, SendEveryValue);
    applied = m_Config;
    MarkNow(timeline.settingsSent);

    int width = 0;
    int height = 0;
    // Black until the first image: a fetch before it never delivers the
    // last open's pixels or stale memory.
    if (sdk.CameraGetImageSize(&width, &height) == 1 && m_Images.PublishBlack(width, height, m_FramesReceived)) {
        MarkNow(timeline.imagesReady);
        return true;
    }
    sdk.CameraUnInit();
    return false;
}

int CCamera::Play()
{
    win::LockGuard guard(m_Lock);
    WaitForFetchToEnd();
    if (m_bPlaying) {
        return 1;
    }
    // The camera may be another controller's: only the holder starts it.
    if (!m_bOpened) {
        return 0;
    }
    // Set before the call and kept when it fails: a later Stop still stops.
    m_bPlaying = 1;
    // The capture thread readies the first frame's buffer while the camera
    // exposes it (a frame interval at least), so that the first fetch does
    // not also wait for the system to provide its memory. Posted before
    // CameraPlay: it is handled before any frame message.
    PostMessageA(m_hWnd, kPrepareImageMessage, 0, 0);
    const int played = GetCameraSdk().CameraPlay();
    MarkNow(LastOpenTimeline().playing);
    return played;
}

int CCamera::Stop()
{
    win::LockGuard guard(m_Lock);
    WaitForFetchToEnd();
    if (!m_bPlaying) {
        return 1;
    }
    m_bPlaying = 0;
    // Closed meanwhile: the stream ended with it, and the camera may be
    // another controller's by now.
    if (!m_bOpened) {
        return 1;
    }
    return GetCameraSdk().CameraStop();
}

int CCamera::UnInit()
{
    // Declared before the guard: the capture thread is ended after m_Lock is left.
    CaptureResources closed;
    win::LockGuard guard(m_Lock);
    WaitForFetchToEnd();
    if (!m_bOpened) {
        return 1;
    }
    m_bOpened = 0;
    // Nothing is fetched until the next open; the readers copy the last image.
    m_DirectReader = nullptr;
    // A capture thread waiting for a write turn gives up now.
    m_ImageTurn.WakeAll();
    // CameraUnInit ends the stream too.
    m_bPlaying = 0;
    const int result = GetCameraSdk().CameraUnInit();
    // Only after the SDK is closed may another controller open it.
    GiveCameraClaim();
    TakeCaptureResources(closed);
    return result;
}

int CCamera::GetConfig(CameraConfig* config)
{
    if (!config) {
        return 0;
    }
    // A read takes its turn with the changes: a change that completes while
    // the file is read is not undone by the older record this read holds.
    win::LockGuard turn(m_SettingsTurn);
    *config = ReadRecord();
    return 1;
}

CameraConfig CCamera::ReadRecord()
{
    CameraConfig record;
    {
        win::LockGuard guard(m_Lock);
        record = m_Config;
    }
    // Outside m_Lock. Without a settings file (a temporary folder that
    // cannot be written, a cleaner that removed it) the controller's record
    // stands, so values applied but not saved are not replaced by defaults.
    m_Settings.Load(record);
    win::LockGuard guard(m_Lock);
    ReadCurrentSettings(record);
    m_Config = record;
    return record;
}

void CCamera::ReadCurrentSettings(CameraConfig& record)
{
    // Closed, the camera holds nothing this controller gave it (in a new
    // program, its power-on values): the stored record stands, and Init
    // sends it.
    if (m_bOpened) {
        ReadFromCamera(GetCameraSdk(), record);
    }
    record.m_Format.m_Reserved1 = 0;
    record.m_Format.m_Reserved2 = 0;
    record.m_Format.m_Reserved3 = 0;
    record.m_Format.m_Reserved4 = 0;
}

int CCamera::SetConfig(const CameraConfig* config, HRESULT* saved)
{
    if (!config) {
        return 0;
    }
    // One change at a time, so the file and m_Config end with the same record.
    win::LockGuard turn(m_SettingsTurn);
    // Every call rewrites the file, changed or not. Outside m_Lock: a save
    // that meets the file held open waits for it a little, and a fetch or a
    // reader of the settings must not wait behind that.
    const HRESULT stored = m_Settings.Store(*config);
    if (saved) {
        *saved = stored;
    }

    win::LockGuard guard(m_Lock);
    ApplyRecord(*config);
    return SUCCEEDED(stored) ? 1 : 0;
}

int CCamera::ChangeSettingsWith(void (*edit)(void* context, CameraConfig& record), void* context, HRESULT* saved,
                                WhileHeldElsewhere whileHeldElsewhere)
{
    win::LockGuard turn(m_SettingsTurn);
    if (whileHeldElsewhere == WhileHeldElsewhere::Refuse && CameraHeldElsewhere()) {
        return kSettingsCameraInUse;
    }
    // The current record, as GetConfig reads it (a value the settings page
    // sent straight to the camera is kept, not put back); m_Config does not
    // change meanwhile, every change of it takes this turn.
    CameraConfig record = ReadRecord();
    {
        win::LockGuard guard(m_Lock);
        edit(context, record);
        // Only what the edit changed differs from m_Config now.
        ApplyRecord(record);
    }
    // Outside m_Lock, still in this change's turn.
    const HRESULT stored = m_Settings.Store(record);
    if (saved) {
        *saved = stored;
    }
    return SUCCEEDED(stored) ? 1 : 0;
}

bool CCamera::CameraHeldElsewhere() const
{
    const CCamera* holder = cameraHolder.load();
    return holder != nullptr && holder != this;
}

void CCamera::ApplyRecord(const CameraConfig& record)
{
    // Another controller's camera is never sent anything: it gets the record
    // at this controller's next open (Init sends every value). A new
    // resolution takes effect when the camera is next opened; until then
    // nothing is sent.
    if (!CameraHeldElsewhere() && record.m_Format.m_Resolution == m_Config.m_Format.m_Resolution) {
        SendSettings(record, SendChangedValues);
    }
    m_Config = record;
}

int CCamera::SetFrameSpeed(int32_t frameSpeed, HRESULT* saved)
{
    return ChangeSettings([frameSpeed](CameraConfig& record) { record.m_FrameSpeed = frameSpeed; }, saved);
}

void CCamera::SendSettings(const CameraConfig& record, SettingsToSend which)
{
    // Compared with m_Config, not with the camera, each at its field's width;
    // sent in the table's order.
    const bool every = which == SendEveryValue;
    const CameraConfig& current = m_Config;
    const CameraSdk& sdk = GetCameraSdk();
    // The SDK takes the gains in 16 bits, all three when any changed.
    unsigned short gains[kGainChannels] = {};
    bool gainsChanged = false;
#define LUMORA_SEND_CHANGED(name, member, type, offset, initial, index)                                        \
    if (every || record.member != current.member) {                                                            \
        sdk.CameraSet##name(record.member);                                                                    \
    }
#define LUMORA_SEND_ALWAYS(name, member, type, offset, initial, index) sdk.CameraSet##name(record.member);
#define LUMORA_SEND_GAIN(name, member, type, offset, initial, index)                                           \
    gains[index] = static_cast<unsigned short>(record.member);                                                 \
    gainsChanged = gainsChanged || every || record.member != current.member;                                   \
    if constexpr (index == kGainChannels - 1) {                                                                \
        if (gainsChanged) {                                                                                    \
            sdk.CameraSetGain(gains[0], gains[1], gains[2]);                                                   \
        }                                                                                                      \
    }
#define LUMORA_SEND_MIRROR(name, member, type, offset, initial, index) sdk.CameraSetMirror(index, record.member);
    LUMORA_CAMERA_SETTING_FIELDS(LUMORA_SETTING_SKIP, LUMORA_SEND_CHANGED, LUMORA_SEND_ALWAYS, LUMORA_SEND_GAIN,
                                 LUMORA_SEND_MIRROR)
#undef LUMORA_SEND_CHANGED
#undef LUMORA_SEND_ALWAYS
#undef LUMORA_SEND_GAIN
#undef LUMORA_SEND_MIRROR
}

bool CCamera::HasFrameAfter(LONG sequence) const
{
    return m_FramesReceived > std::max(sequence, m_SequenceAtOpen);
}

bool CCamera::WaitUntilFrameAfter(LONG sequence, DWORD timeoutMs)
{
    // The wait releases m_Lock while it sleeps: frames arrive, and Stop and
    // UnInit proceed, meanwhile.
    return m_FrameArrived.WaitUntil(m_Lock, timeoutMs, [&] { return HasFrameAfter(sequence); });
}

void CCamera::WaitForFetchToEnd()
{
    m_ImageTurn.WaitUntil(m_Lock, INFINITE, [this] { return !m_Fetching; });
}

int CCamera::GetFormats(BITMAPINFOHEADER* headers, int* count)
{
    if (!count) {
        return 0;
    }
    win::LockGuard guard(m_Lock);
    const int filled = (!headers || *count < 1) ? 0 : std::min(*count, kOfferedFormatCount);
    for (int i = 0; i < filled; ++i) {
        BITMAPINFOHEADER& header = headers[i];
        header = BITMAPINFOHEADER();
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = kOfferedFormats[i].width;
        header.biHeight = kOfferedFormats[i].height; // positive: rows bottom-up
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = 24 * kOfferedFormats[i].height * kOfferedFormats[i].width / 8;
    }
    *count = filled;
    return 1;
}

#include "camera/Camera.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "camera/CameraSdkLoader.h"
#include "camera/CameraSettingFields.h"

namespace {

// How long GetFrame waits for a new frame before delivering the previous one.
const DWORD kFrameWaitMs = 500;

struct FormatSize {
    int width;
    int height;
};

// The formats the pins offer, in GetFormats order.
const FormatSize kOfferedFormats[] = {
    {3032, 2016}, {3032, 2016}, {3032, 2016}, {3264, 2448}, {3264, 2448},
};
const int kOfferedFormatCount = 5;

// The offered format the pins select for a resolution index: 1 and 2 their
// own entries, every other value entry 0.
FormatSize OfferedFormatFor(uint8_t resolution)
{
    return kOfferedFormats[(resolution == 1 || resolution == 2) ? resolution : 0];
}

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

CCamera::CCamera() = default;

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
    std::optional<CameraConfig> applied;
    const bool open = Open(applied);
    // Outside m_Lock, as every use of the settings file.
    if (applied) {
        applied->SaveToFile();
    }
    return open ? 1 : 2;
}

bool CCamera::Open(std::optional<CameraConfig>& applied)
{
    // Declared before the guard, so that a failed attempt's capture thread is
    // ended after m_Lock is left.
    CaptureResources failed;
    win::LockGuard guard(m_Lock);
    if (m_bOpened) {
        return true;
    }
    if (!StartCaptureThread() || !OpenSdk(applied)) {
        TakeCaptureResources(failed);
        return false;
    }
    // The new buffers are black: no earlier frame is in them.
    m_SequenceAtOpen = m_FramesReceived;
    m_bOpened = 1;
    return true;
}

bool CCamera::OpenSdk(std::optional<CameraConfig>& applied)
{
    const CameraSdk& sdk = GetCameraSdk();
    if (sdk.CameraInit(&CameraCallback, m_Config.m_Format.m_Resolution, m_hWnd, m_hWnd) != 1) {
        return false;
    }
    // The current record goes to the freshly opened camera: only monochrome
    // and the mirrors are sent, since nothing differs from itself.
    ApplyChangedSettings(m_Config);
    applied = m_Config;

    int width = 0;
    int height = 0;
    if (sdk.CameraGetImageSize(&width, &height) == 1 && AllocateBuffers(width, height)) {
        return true;
    }
    sdk.CameraUnInit();
    return false;
}

bool CCamera::AllocateBuffers(int imageWidth, int imageHeight)
{
    m_pImage.reset();
    m_pFrame.reset();
    m_ImageWidth = m_ImageHeight = m_FrameWidth = m_FrameHeight = 0;
    m_FrameSize = 0;

    // Sizes are handed out as 32-bit byte counts.
    if (imageWidth <= 0 || imageHeight <= 0 ||
        static_cast<unsigned long long>(imageWidth) * imageHeight * 3 > INT_MAX) {
        return false;
    }
    // The frame is the offered format's size when the image covers it (the
    // centred window is cut out), otherwise the whole image, so a frame never
    // differs from what the pins announce when the camera can fill it.
    const FormatSize offered = OfferedFormatFor(m_Config.m_Format.m_Resolution);
    const bool crop = imageWidth >= offered.width && imageHeight >= offered.height;
    const int frameWidth = crop ? offered.width : imageWidth;
    const int frameHeight = crop ? offered.height : imageHeight;
    const size_t imageBytes = static_cast<size_t>(imageWidth) * imageHeight * 3;
    const size_t frameBytes = static_cast<size_t>(frameWidth) * frameHeight * 3;

    // Zero-filled: a fetch before the first camera frame delivers black.
    std::unique_ptr<unsigned char[]> image(new (std::nothrow) unsigned char[imageBytes]());
    std::unique_ptr<unsigned char[]> frame(new (std::nothrow) unsigned char[frameBytes]());
    if (!image || !frame) {
        return false;
    }
    m_pImage = std::move(image);
    m_pFrame = std::move(frame);
    m_ImageWidth = imageWidth;
    m_ImageHeight = imageHeight;
    m_FrameWidth = frameWidth;
    m_FrameHeight = frameHeight;
    m_FrameSize = static_cast<int>(frameBytes);
    return true;
}

int CCamera::Play()
{
    win::LockGuard guard(m_Lock);
    if (m_bPlaying) {
        return 1;
    }
    // Set before the call and kept when it fails: a later Stop still stops.
    m_bPlaying = 1;
    return GetCameraSdk().CameraPlay();
}

int CCamera::Stop()
{
    win::LockGuard guard(m_Lock);
    if (!m_bPlaying) {
        return 1;
    }
    m_bPlaying = 0;
    return GetCameraSdk().CameraStop();
}

int CCamera::UnInit()
{
    // Declared before the guard: the capture thread is ended after m_Lock is left.
    CaptureResources closed;
    win::LockGuard guard(m_Lock);
    if (!m_bOpened) {
        return 1;
    }
    m_bOpened = 0;
    const int result = GetCameraSdk().CameraUnInit();
    TakeCaptureResources(closed);
    return result;
}

int CCamera::GetConfig(CameraConfig* config)
{
    if (!config) {
        return 0;
    }
    // Without a settings file the record keeps what the caller put there.
    config->LoadFromFile();

    win::LockGuard guard(m_Lock);
    ReadFromCamera(GetCameraSdk(), *config);
    config->m_Format.m_Reserved1 = 0;
    config->m_Format.m_Reserved2 = 0;
    config->m_Format.m_Reserved3 = 0;
    config->m_Format.m_Reserved4 = 0;
    m_Config = *config;
    return 1;
}

int CCamera::SetConfig(const CameraConfig* config, HRESULT* saved)
{
    if (!config) {
        return 0;
    }
    // Every call rewrites the file, changed or not. Outside m_Lock: a save
    // that meets the file held open waits for it a little, and a fetch or
    // another settings call must not wait behind that.
    const HRESULT stored = config->Store();
    if (saved) {
        *saved = stored;
    }

    win::LockGuard guard(m_Lock);
    // A new resolution takes effect when the camera is next opened; until
    // then nothing is sent.
    if (config->m_Format.m_Resolution == m_Config.m_Format.m_Resolution) {
        ApplyChangedSettings(*config);
    }
    m_Config = *config;
    return SUCCEEDED(stored) ? 1 : 0;
}

void CCamera::ApplyChangedSettings(const CameraConfig& record)
{
    // Compared with m_Config, not with the camera, each at its field's width;
    // sent in the table's order.
    const CameraConfig& current = m_Config;
    const CameraSdk& sdk = GetCameraSdk();
    // The SDK takes the gains in 16 bits, all three when any changed.
    unsigned short gains[kGainChannels] = {};
    bool gainsChanged = false;
#define LUMORA_SEND_CHANGED(name, member, type, offset, initial, index)                                        \
    if (record.member != current.member) {                                                                     \
        sdk.CameraSet##name(record.member);                                                                    \
    }
#define LUMORA_SEND_ALWAYS(name, member, type, offset, initial, index) sdk.CameraSet##name(record.member);
#define LUMORA_SEND_GAIN(name, member, type, offset, initial, index)                                           \
    gains[index] = static_cast<unsigned short>(record.member);                                                 \
    gainsChanged = gainsChanged || record.member != current.member;                                            \
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

int CCamera::GetFrame(unsigned char* destination, long capacity, LONG* lastSequence)
{
    if (!destination) {
        return m_FrameSize;
    }
    win::LockGuard guard(m_Lock);
    LONG& delivered = lastSequence ? *lastSequence : m_LastDelivered;
    // After a timeout this copies the previous frame again.
    WaitUntilFrameAfter(delivered, kFrameWaitMs);
    delivered = CopyFrame(destination, capacity);
    return 0;
}

int CCamera::GetFrameNoWait(unsigned char* destination, long capacity, LONG* sequence)
{
    if (!destination) {
        return m_FrameSize;
    }
    ++m_FramesFetched;
    win::LockGuard guard(m_Lock);
    const LONG copied = CopyFrame(destination, capacity);
    if (sequence) {
        *sequence = copied;
    }
    return 0;
}

bool CCamera::WaitForFrameAfter(LONG sequence, DWORD timeoutMs)
{
    win::LockGuard guard(m_Lock);
    return WaitUntilFrameAfter(sequence, timeoutMs);
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

LONG CCamera::CopyFrame(unsigned char* destination, long capacity)
{
    if (m_pFrame && capacity > 0) {
        // Never more than the destination holds.
        const size_t bytes = std::min(static_cast<size_t>(m_FrameSize), static_cast<size_t>(capacity));
        std::memcpy(destination, m_pFrame.get(), bytes);
    }
    return m_FramesReceived;
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

void CCamera::CropCopy(int imageWidth, int imageHeight, int frameWidth, int frameHeight,
                       const unsigned char* source, unsigned char* destination)
{
    if (imageWidth == frameWidth && imageHeight == frameHeight) {
        if (imageWidth > 0 && imageHeight > 0) {
            std::memcpy(destination, source, static_cast<size_t>(imageWidth) * imageHeight * 3);
        }
        return;
    }
    // Never read outside the image.
    if (frameWidth <= 0 || frameHeight <= 0 || frameWidth > imageWidth || frameHeight > imageHeight) {
        return;
    }
    const int x0 = (imageWidth - frameWidth) >> 1;
    const int y0 = (imageHeight - frameHeight) >> 1;
    const size_t sourceStride = static_cast<size_t>(imageWidth) * 3;
    const size_t rowBytes = static_cast<size_t>(frameWidth) * 3;
    const unsigned char* from = source + 3 * (static_cast<size_t>(y0) * imageWidth + x0);
    for (int row = 0; row < frameHeight; ++row) {
        std::memcpy(destination, from, rowBytes);
        from += sourceStride;
        destination += rowBytes;
    }
}

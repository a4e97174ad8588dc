// The source's worker thread: serves the stream's sample requests, oldest
// first, each with the next fresh camera frame (see CameraSource.h).
#include "mediasource/CameraSource.h"


#include "camera/Camera.h"
#include "camera/FrameReader.h"
#include "mediasource/CameraStream.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace mediasource {

namespace {

// How long one frame read waits before the worker looks again at whether its
// request still stands.
constexpr DWORD kReadWaitMs = 100;
// Samples an allocator handed in is asked to keep ready.
constexpr DWORD kAllocatorSamples = 4;

// A performance-counter value in 100-ns units, without overflow for any
// uptime.
LONGLONG HundredNanoseconds(LONGLONG counter)
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return counter / frequency * 10000000 + counter % frequency * 10000000 / frequency;
}

LONGLONG CounterNow()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// A 2-D buffer locked for writing for as long as the object lives.
class LockedBuffer {
public:
    explicit LockedBuffer(IMFMediaBuffer* buffer)
    {
        if (FAILED(buffer->QueryInterface(IID_PPV_ARGS(&m_buffer)))) {
            return;
        }
        ComPtr<IMF2DBuffer2> buffer2;
        BYTE* start = nullptr;
        if (SUCCEEDED(m_buffer.As(&buffer2))) {
            m_locked = SUCCEEDED(buffer2->Lock2DSize(MF2DBuffer_LockFlags_Write, &m_scanline0, &m_pitch, &start,
                                                     &m_length));
        } else if (SUCCEEDED(m_buffer->Lock2D(&m_scanline0, &m_pitch))) {
            m_locked = true;
            DWORD length = 0;
            m_length = SUCCEEDED(buffer->GetMaxLength(&length)) ? length : 0;
        }
    }
    ~LockedBuffer()
    {
        if (m_locked) {
            m_buffer->Unlock2D();
        }
    }
    LockedBuffer(const LockedBuffer&) = delete;
    LockedBuffer& operator=(const LockedBuffer&) = delete;

    // Rows top-down from scanline0: a positive pitch.
    bool Usable() const { return m_locked && m_pitch > 0 && m_scanline0; }
    BYTE* Scanline0() const { return m_scanline0; }
    size_t Pitch() const { return static_cast<size_t>(m_pitch); }
    DWORD Length() const { return m_length; }

private:
    ComPtr<IMF2DBuffer> m_buffer;
    bool m_locked = false;
    BYTE* m_scanline0 = nullptr;
    LONG m_pitch = 0;
    DWORD m_length = 0;
};

} // namespace

DWORD CameraSource::RunWorker()
{
    // One reader for the worker's life: it keeps the sequence of the last
    // frame delivered, across Stop and Start. Made before the wait, destroyed
    // before Shutdown closes the camera (the camera outlives its readers).
    FrameReader reader(*m_camera, FrameReader::Counting::AsCaptureStream);
    ComPtr<IMFMediaType> lastType;
    int lastIndex = -1;
    ComPtr<IMFVideoSampleAllocator> preparedAllocator;
    // The worker's own pool, for when no allocator is handed in (the source
    // reader hands none): samples come back to it when their last reference
    // goes, so each frame is written into memory already mapped instead of a
    // new frame-sized buffer's fresh pages. Null where the platform has none.
    ComPtr<IMFVideoSampleAllocator> ownAllocator;
    if (FAILED(MFCreateVideoSampleAllocatorEx(IID_PPV_ARGS(&ownAllocator)))) {
        ownAllocator.Reset();
    }

    for (;;) {
        ComPtr<IMFVideoSampleAllocator> allocator;
        ULONGLONG epoch = 0;
        {
            win::LockGuard guard(m_lock);
            while (!m_shutdown && !(m_state == State::Started && m_streamState == kLumoraStreamStateRunning &&
                                    !m_requests.empty())) {
                m_wake.Wait(m_lock, INFINITE);
            }
            if (m_shutdown) {
                break;
            }
            epoch = m_epoch;
            allocator = m_allocator ? m_allocator : ownAllocator;
        }

        ComPtr<IMFMediaType> type;
        const int index = CurrentType(&type);
        if (index < 0) {
            // Not one of the table's types (a handler that took another):
            // nothing can be delivered in it.
            m_stream->QueueStreamEvent(MEError, MF_E_INVALIDMEDIATYPE, nullptr);
            win::LockGuard guard(m_lock);
            if (epoch == m_epoch) {
                m_requests.clear();
            }
            continue;
        }
        const SourceType entry = SourceTypeAt(index);
        if (index != lastIndex) {
            if (lastIndex >= 0 && SourceTypeAt(lastIndex).frameInterval != entry.frameInterval) {
                ApplyFrameRate(entry);
            }
            lastIndex = index;
            preparedAllocator.Reset();
        }
        if (allocator && allocator != preparedAllocator) {
            if (SUCCEEDED(allocator->InitializeSampleAllocator(kAllocatorSamples, type.Get()))) {
                preparedAllocator = allocator;
            } else {
                allocator.Reset();
            }
        }

        ComPtr<IMFSample> sample;
        HRESULT hr = MakeSample(entry, type.Get(), allocator.Get(), &sample);
        if (SUCCEEDED(hr)) {
            hr = FillSample(reader, entry, sample.Get(), epoch);
        }
        if (hr == S_FALSE) {
            continue; // withdrawn meanwhile
        }
        win::LockGuard guard(m_lock);
        if (m_shutdown || epoch != m_epoch || m_requests.empty()) {
            continue;
        }
        const ComPtr<IUnknown> token = m_requests.front();
        m_requests.pop_front();
        if (FAILED(hr)) {
            m_stream->QueueStreamEvent(MEError, hr, nullptr);
            continue;
        }
        // An allocator's sample may come back with an earlier request's token.
        if (token) {
            sample->SetUnknown(MFSampleExtension_Token, token.Get());
        } else {
            sample->DeleteItem(MFSampleExtension_Token);
        }
        m_stream->QueueSample(sample.Get());
    }
    return 0;
}

HRESULT CameraSource::MakeSample(const SourceType& entry, IMFMediaType* /*type*/, IMFVideoSampleAllocator* allocator,
                                 ComPtr<IMFSample>* sample)
{
    if (allocator && SUCCEEDED(allocator->AllocateSample(sample->ReleaseAndGetAddressOf()))) {
        return S_OK;
    }
    // The source's own: one 2-D buffer at the pitch the platform chooses.
    ComPtr<IMFMediaBuffer> buffer;
    RETURN_IF_FAILED(MFCreate2DMediaBuffer(static_cast<DWORD>(entry.width), static_cast<DWORD>(entry.height),
                                           MediaSubtypeOf(entry.format).Data1, FALSE, &buffer));
    RETURN_IF_FAILED(MFCreateSample(sample->ReleaseAndGetAddressOf()));
    return (*sample)->AddBuffer(buffer.Get());
}

HRESULT CameraSource::FillSample(FrameReader& reader, const SourceType& entry, IMFSample* sample, ULONGLONG epoch)
{
    ComPtr<IMFMediaBuffer> buffer;
    RETURN_IF_FAILED(sample->GetBufferByIndex(0, &buffer));
    FrameLayout layout;
    FrameReader::Result read;
    {
        const LockedBuffer locked(buffer.Get());
        if (!locked.Usable()) {
            return MF_E_INVALIDMEDIATYPE;
        }
        layout = LayoutOf(entry, locked.Pitch());
        if (layout.IsEmpty() || locked.Length() < layout.Bytes()) {
            return MF_E_BUFFERTOOSMALL;
        }
        const ULONGLONG waitStart = GetTickCount64();
        for (;;) {
            read = reader.Read(locked.Scanline0(), static_cast<long>(locked.Length()), layout, kReadWaitMs);
            if (read.fresh) {
                break;
            }
            if (!RequestStands(epoch)) {
                return S_FALSE;
            }
            if (GetTickCount64() - waitStart >= kStallMs) {
                ReportStall();
            }
        }
    }
    {
        win::LockGuard guard(m_lock);
        m_stallReported = false;
    }
    RETURN_IF_FAILED(buffer->SetCurrentLength(static_cast<DWORD>(layout.Bytes())));
    const FrameReader::Delivered delivered = FrameReader::LastDeliveredOnThisThread();
    RETURN_IF_FAILED(sample->SetSampleTime(HundredNanoseconds(delivered.arrivalQpc ? delivered.arrivalQpc : CounterNow())));
    RETURN_IF_FAILED(sample->SetSampleDuration(entry.frameInterval));
    return sample->SetUINT32(MFSampleExtension_CleanPoint, TRUE);
}

bool CameraSource::RequestStands(ULONGLONG epoch)
{
    win::LockGuard guard(m_lock);
    return !m_shutdown && epoch == m_epoch && !m_requests.empty();
}

void CameraSource::ReportStall()
{
    {
        win::LockGuard guard(m_lock);
        if (m_stallReported || m_shutdown) {
            return;
        }
        m_stallReported = true;
    }
    m_stream->QueueStreamEvent(MEError, MF_E_VIDEO_RECORDING_DEVICE_INVALIDATED, nullptr);
}

} // namespace mediasource

#include "bench/SampleTimeline.h"

#include <cstring>

#include "camera/FrameReader.h"
#include "simcamera/SimControl.h"

SampleTimeline::SampleTimeline(int frameWidth, int frameHeight, size_t expectedSamples, FrameIdentity identity)
    : m_stampOffset(SimStampOffset(frameWidth, frameHeight)), m_identity(identity)
{
    // Reserved up front, so that the streaming thread rarely allocates.
    m_records.reserve(expectedSamples);
}

std::vector<SampleRecord> SampleTimeline::Snapshot()
{
    win::LockGuard hold(m_lock);
    return m_records;
}

size_t SampleTimeline::Count()
{
    win::LockGuard hold(m_lock);
    return m_records.size();
}

bool SampleTimeline::SawStampedSample()
{
    return m_sawStamped.load();
}

HRESULT STDMETHODCALLTYPE SampleTimeline::SampleCB(double /*sampleTime*/, IMediaSample* sample)
{
    // The arrival time first, before any other work of the sink.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    SampleRecord record;
    record.receivedQpc = now.QuadPart;
    record.threadId = GetCurrentThreadId();
    if (!sample) {
        return S_OK;
    }
    const FrameReader::Delivered delivered = FrameReader::LastDeliveredOnThisThread();
    record.arrivalQpc = delivered.arrivalQpc;
    if (m_clock) {
        record.hasClockTime = SUCCEEDED(m_clock->GetTime(&record.clockTime));
    }
    record.hasTimes = sample->GetTime(&record.start, &record.end) == S_OK;

    BYTE* data = nullptr;
    const long size = sample->GetSize();
    if (SUCCEEDED(sample->GetPointer(&data))) {
        record.buffer = data;
    }
    if (m_identity == FrameIdentity::Reader) {
        if (delivered.sequence > 0 && delivered.arrivalQpc != 0) {
            record.stamped = true;
            record.sequence = static_cast<uint32_t>(delivered.sequence);
            record.producedQpc = delivered.arrivalQpc;
        }
    } else if (data && size > 0 && m_stampOffset + sizeof(SimStamp) <= static_cast<size_t>(size)) {
        // Only the 48 stamp bytes are read.
        SimStamp stamp;
        std::memcpy(&stamp, data + m_stampOffset, sizeof(stamp));
        if (std::memcmp(stamp.magic, "LUMO", 4) == 0 && stamp.sequence > 0) {
            record.stamped = true;
            record.sequence = stamp.sequence;
            record.producedQpc = static_cast<int64_t>(stamp.qpc);
        }
    }

    {
        win::LockGuard hold(m_lock);
        m_records.push_back(record);
    }
    if (record.stamped) {
        m_sawStamped = true;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleTimeline::BufferCB(double /*sampleTime*/, BYTE* /*buffer*/, long /*size*/)
{
    // Not used: the buffer callback would hand over a copy of the frame.
    return E_NOTIMPL;
}

// SampleTimeline: the measuring sink of one pin. It is the callback of the
// sample grabber in front of the pin's null renderer and records, for every
// sample that passes, when it arrived and which camera frame it carries (the
// simulated camera's stamp at the frame's centre). It reads those 48 bytes
// and nothing more: the measurement adds no copy of the frame.
//
// It also notes when the camera controller learned of the sample's frame:
// the callback runs on the pin's worker, inside its delivery and before its
// next read, so FrameReader::LastDeliveredOnThisThread names that frame.
// Frames converted or scaled from the camera's image lose the stamp; for
// them (FrameIdentity::Reader) the frame's sequence and production are the
// controller's: its numbering, and when it learned of the frame.
//
// Threading: SampleCB runs on the pin's streaming thread; Snapshot and
// Count on the bench's main thread. m_lock guards the record list and is held
// only to append or copy (nothing else is called under it).
//
// Ownership: made with win::MakeComObject; reference counted, the sample
// grabber holds one reference while it is set to call it.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "bench/SampleRecord.h"
#include "win/ComObject.h"
#include "win/Lock.h"

class SampleTimeline final : public win::ComObject<ISampleGrabberCB> {
public:
    // Where a sample's frame is told from: the camera's stamp in a cut RGB24
    // frame, or what the pin's frame reader delivered last.
    enum class FrameIdentity { Stamp, Reader };

    // frameWidth x frameHeight: the delivered format, to find the stamp.
    SampleTimeline(int frameWidth, int frameHeight, size_t expectedSamples,
                   FrameIdentity identity = FrameIdentity::Stamp);

    // Everything recorded so far, in arrival order.
    std::vector<SampleRecord> Snapshot();
    size_t Count();
    // Whether a sample with a camera stamp (sequence > 0) has arrived.
    bool SawStampedSample();
    // The graph's reference clock, read at each arrival; set before the
    // graph is paused (the streaming thread reads it without a lock).
    void SetReferenceClock(IReferenceClock* clock) { m_clock = clock; }

    // ISampleGrabberCB
    HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, long size) override;

private:
    ~SampleTimeline() override = default;

    const size_t m_stampOffset;
    const FrameIdentity m_identity;
    Microsoft::WRL::ComPtr<IReferenceClock> m_clock;
    win::Lock m_lock;
    std::vector<SampleRecord> m_records; // under m_lock
    std::atomic<bool> m_sawStamped{false};
};

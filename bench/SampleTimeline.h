// SampleTimeline: the measuring sink of one pin. It is the callback of the
// sample grabber in front of the pin's null renderer and records, for every
// sample that passes, when it arrived and which camera frame it carries (the
// simulated camera's stamp at the frame's centre). It reads those 48 bytes
// and nothing more: the measurement adds no copy of the frame.
//
// Threading: SampleCB runs on the pin's streaming thread; Snapshot and
// Count on the bench's main thread. The record list is guarded by a critical
// section held only to append or copy.
//
// Ownership: the grabber holds the callback without owning it (AddRef and
// Release only count); the timeline must outlive the graph that calls it.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <qedit.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#include "bench/SampleRecord.h"

class SampleTimeline : public ISampleGrabberCB {
public:
    // frameWidth x frameHeight: the delivered format, to find the stamp.
    SampleTimeline(int frameWidth, int frameHeight, size_t expectedSamples);
    ~SampleTimeline();
    SampleTimeline(const SampleTimeline&) = delete;
    SampleTimeline& operator=(const SampleTimeline&) = delete;

    // Everything recorded so far, in arrival order.
    std::vector<SampleRecord> Snapshot();
    size_t Count();
    // Whether a sample with a camera stamp (sequence > 0) has arrived.
    bool SawStampedSample();
    // The graph's reference clock, read at each arrival; set before the
    // graph is paused (the streaming thread reads it without a lock).
    void SetReferenceClock(IReferenceClock* clock) { m_clock = clock; }

    // ISampleGrabberCB
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, long size) override;

private:
    const size_t m_stampOffset;
    Microsoft::WRL::ComPtr<IReferenceClock> m_clock;
    CRITICAL_SECTION m_lock;
    std::vector<SampleRecord> m_records;
    volatile LONG m_sawStamped = 0;
};

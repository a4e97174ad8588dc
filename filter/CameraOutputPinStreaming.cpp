// The camera pin's worker hooks: opening the camera when streaming starts,
// filling each sample (a fresh frame, pacing, time stamps, frame copy) and
// closing the camera when streaming ends. All of it runs on the pin's worker
// thread and takes no filter lock; OnRun only raises a flag for the worker.
#include "filter/CameraOutputPin.h"

#include <algorithm>

#include "filter/CameraFilter.h"
#include "filter/FailureBox.h"
#include "filter/FormatLadder.h"
#include "filter/VideoFormats.h"
#include "framework/SourceFilterBase.h"

namespace {

// Fills come at least nine tenths of the camera's frame interval apart (30 ms
// at "High", 60 ms at "Normal"): a fill that comes sooner sleeps the rest of
// it first. Less than the interval, so that a pin waiting for each new frame
// keeps up with a camera whose frames come a little early.
LONG MinFillSpacingMs(LONGLONG frameInterval)
{
    return static_cast<LONG>((frameInterval * 9 + 50000) / 100000);
}
// How long a fill waits for a frame the pin has not delivered yet before it
// delivers its last frame again.
const DWORD kFreshFrameWaitMs = 500;
// Initial gap between one capture sample's end and the next one's start.
const REFERENCE_TIME kInitialLateOffset = 126333;
// Stamps are in 100-ns units.
const REFERENCE_TIME kUnitsPerMillisecond = 10000;

} // namespace

const HRESULT CameraOutputPin::kCameraInUseResult = HRESULT_FROM_WIN32(ERROR_BUSY);
const char CameraOutputPin::kCameraInUseText[] = "Camera is already in use!";


DWORD CameraOutputPin::CurrentTick()
{
    return GetTickCount();
}

void CameraOutputPin::PaceSleep(DWORD milliseconds)
{
    Sleep(milliseconds);
}

void CameraOutputPin::ReportCameraFailure(const char* text)
{
    // On a thread of its own and without an owner: the worker returns the
    // failure at once, and the Pause that started it fails at once, while
    // the box waits for a person (where the process has one to show it to).
    ShowFailureBox(text);
}

HRESULT CameraOutputPin::OnWorkerStart()
{
    // The frame every fill delivers. The connection type is read without
    // StateLock: the Pause that starts the worker holds it while it waits for
    // this function's result, and the type does not change until the worker
    // has been joined.
    m_FrameLayout = FrameLayoutOfType(connectionType);

    if (m_pCamera) {
        // Init opens the camera with the controller's current record (its
        // resolution index and every value it sends): refresh that record
        // from the settings file as it is now, at Pause (the second pin finds
        // the camera open and reads its live values). Here on the worker,
        // outside StateLock; the media type queries no longer do it (see
        // SelectResolution). Once, before the open: a
        // second read after Play would find what Init has just applied.
        CameraConfig current;
        m_pCamera->GetConfig(&current);
    }
    // The controller is shared: the second pin finds it open and playing.
    const int opened = m_pCamera ? m_pCamera->Init() : CCamera::kInitFailed;
    if (opened == CCamera::kInitInUse) {
        // Another filter of this process streams from the camera; it goes on.
        ReportCameraFailure(kCameraInUseText);
        return kCameraInUseResult;
    }
    if (opened != 1) {
        ReportCameraFailure("Camera init failed!");
        return E_FAIL;
    }
    if (m_pCamera->Play() != 1) {
        ReportCameraFailure("Camera play failed!");
        return E_FAIL;
    }

    // The pin's frames from here to OnWorkerEnd; every frame of this open is
    // new to it (the controller counts none from earlier opens). The reader
    // decides at each fill whether the SDK writes the image straight into
    // the sample (the capture pin alone, delivering the camera's images
    // uncut) or the frame is copied or converted from the controller's
    // images. The capture pin's fills are the fetches IAMDroppedFrames counts.
    m_Reader = std::make_unique<FrameReader>(
        *m_pCamera, IsCapturePin() ? FrameReader::Counting::AsCaptureStream : FrameReader::Counting::Uncounted);

    m_StreamTime = 0;
    m_LastTick = CurrentTick();
    m_LateOffset.store(kInitialLateOffset);
    // Stamps count from here until a Run re-anchors them.
    m_ReanchorPending.store(false);
    m_DeliveryRate.Restart();
    return S_OK;
}

HRESULT CameraOutputPin::OnRun(REFERENCE_TIME /*start*/)
{
    // The filter's start time is in place when the pins are told to run; the
    // worker reads the stream time at its next fill.
    m_ReanchorPending.store(true);
    return S_OK;
}

HRESULT CameraOutputPin::OnWorkerEnd()
{
    // A stopped pin delivers at no rate.
    m_DeliveryRate.Restart();
    // The reader goes before the camera closes: the other pin's reader, if
    // any, is alone from now on.
    m_Reader.reset();
    // Stopping either pin's worker stops the camera for both.
    if (m_pCamera) {
        m_pCamera->Stop();
        m_pCamera->UnInit();
    }
    return S_OK;
}

HRESULT CameraOutputPin::FillSample(IMediaSample* sample)
{
    if (!sample) {
        return E_POINTER;
    }
    // The camera's rate, which SetFormat or a page may change while the pin
    // streams.
    const LONG spacing = MinFillSpacingMs(m_pOwnerFilter->FrameInterval());
    DWORD now = CurrentTick();
    LONG elapsed = static_cast<LONG>(now - m_LastTick);
    if (elapsed > 0 && elapsed < spacing) {
        // Sleeping the rest of the spacing, and counting this fill at its
        // end, keeps fills at least that far apart and further apart than the
        // late offset, so the stamps advance exactly with real time. A sleep
        // that overruns is counted in the next fill's elapsed time.
        PaceSleep(static_cast<DWORD>(spacing - elapsed));
        now = m_LastTick + spacing;
        elapsed = spacing;
    }
    m_LastTick = now;

    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data))) {
        data = nullptr;
    }
    const long capacity = sample->GetSize();
    long written = 0;
    if (m_Reader && data) {
        // A whole frame of the connected format, never more than capacity
        // bytes: a frame this pin has not delivered yet, waited for up to
        // 500 ms; after a timeout (no frames: camera unplugged or closed by
        // the other pin) the last frame goes again, so the graph keeps
        // running and a Stop is seen within the wait.
        written = m_Reader->Read(data, capacity, m_FrameLayout, kFreshFrameWaitMs).bytes;
    }
    // The capture sample is stamped when its frame is there.
    if (IsCapturePin()) {
        StampCaptureSample(sample, elapsed);
    } else {
        sample->SetTime(nullptr, nullptr);
    }
    sample->SetSyncPoint(TRUE);

    // A reused sample must not claim the bytes of an earlier frame.
    sample->SetActualDataLength(written);
    // The sample goes downstream now.
    m_DeliveryRate.Delivered();
    return S_OK;
}

void CameraOutputPin::StampCaptureSample(IMediaSample* sample, LONG elapsed)
{
    // Each sample ends the elapsed real time after the previous one's end
    // and starts the late offset after that end. A renderer that was late
    // once may report more lateness than a frame interval (after a pause or
    // a busy moment): as a gap beyond the elapsed time it would put every
    // later stamp further ahead of real time, the renderer would hold every
    // sample for it and the pin would deliver a fraction of the frames. So
    // the gap is at most half the elapsed time: stamps never outrun the
    // clock.
    // (A pacing sleep that returned a moment early counts no time, not less.)
    const REFERENCE_TIME advance = static_cast<REFERENCE_TIME>(std::max<LONG>(elapsed, 0)) * kUnitsPerMillisecond;
    const REFERENCE_TIME lateOffset = std::min(m_LateOffset.load(), advance / 2);
    const REFERENCE_TIME span = advance - lateOffset;

    // After a Run the stamps move onto the graph's stream time: this fill
    // ends at the stream time now, and later ends advance by real time
    // again. Stamps never go back, though (a mux stops taking samples whose
    // times go back): while they are ahead of the stream time (samples
    // stamped while paused), each sample ends where it starts, no earlier
    // than the stream time, until the stream time has caught up. Without a
    // clock they go on counting from the worker's start.
    REFERENCE_TIME streamNow = 0;
    if (m_ReanchorPending.exchange(false) && SUCCEEDED(SourceFilter()->CurrentStreamTime(&streamNow))) {
        if (streamNow - advance >= m_StreamTime) {
            m_StreamTime = streamNow - advance; // this end: the stream time now
        } else {
            REFERENCE_TIME start = m_StreamTime + lateOffset;
            REFERENCE_TIME end = streamNow > start ? streamNow : start;
            if (streamNow < start) {
                m_ReanchorPending.store(true); // still ahead: the next fill tries again
            }
            m_StreamTime = end;
            sample->SetTime(&start, &end);
            return;
        }
    }
    REFERENCE_TIME start = m_StreamTime + lateOffset;
    REFERENCE_TIME end = start + span;
    m_StreamTime = end;
    sample->SetTime(&start, &end);
}

// The camera pin's worker hooks: opening the camera when streaming starts,
// filling each sample (pacing, time stamps, frame copy) and closing the
// camera when streaming ends. All of it runs on the pin's worker thread and
// takes no filter lock.
#include "filter/CameraOutputPin.h"

namespace {

// Fills come at least this far apart: a fill that comes sooner sleeps the
// rest of it first.
const LONG kMinFillSpacingMs = 30;
// Initial gap between one capture sample's end and the next one's start.
const REFERENCE_TIME kInitialLateOffset = 126333;
// Stamps are in 100-ns units.
const REFERENCE_TIME kUnitsPerMillisecond = 10000;

} // namespace

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
    // Modal, no owner: blocks the Pause that started the worker until the
    // user closes it.
    MessageBoxA(nullptr, text, "Lumora Camera", MB_OK);
}

HRESULT CameraOutputPin::OnWorkerStart()
{
    // The controller is shared: the second pin finds it open and playing.
    if (!m_pCamera || m_pCamera->Init() != 1) {
        ReportCameraFailure("Camera init failed!");
        return E_FAIL;
    }
    if (m_pCamera->Play() != 1) {
        ReportCameraFailure("Camera play failed!");
        return E_FAIL;
    }
    // Refreshes the controller's current record from the file and the camera.
    CameraConfig refreshed;
    m_pCamera->GetConfig(&refreshed);

    m_StreamTime = 0;
    m_LastTick = CurrentTick();
    m_LateOffset.store(kInitialLateOffset);
    return S_OK;
}

HRESULT CameraOutputPin::OnWorkerEnd()
{
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
    DWORD now = CurrentTick();
    LONG elapsed = static_cast<LONG>(now - m_LastTick);
    if (elapsed > 0 && elapsed < kMinFillSpacingMs) {
        // Sleeping the rest of the spacing, and counting this fill at its
        // end, keeps a steady cadence of one fill per 30 ms (the interval the
        // offered types announce) and keeps fills further apart than the late
        // offset, so the stamps advance exactly with real time. A sleep that
        // overruns is counted in the next fill's elapsed time.
        PaceSleep(static_cast<DWORD>(kMinFillSpacingMs - elapsed));
        now = m_LastTick + kMinFillSpacingMs;
        elapsed = kMinFillSpacingMs;
    }
    m_LastTick = now;

    if (IsCapturePin()) {
        // Each sample starts the late offset after the previous one's end and
        // ends the elapsed real time after that end (while fills are further
        // apart than the offset).
        const REFERENCE_TIME lateOffset = m_LateOffset.load();
        REFERENCE_TIME start = m_StreamTime + lateOffset;
        REFERENCE_TIME advance = static_cast<REFERENCE_TIME>(elapsed) * kUnitsPerMillisecond;
        if (advance > lateOffset) {
            advance -= lateOffset;
        }
        REFERENCE_TIME end = start + advance;
        m_StreamTime = end;
        sample->SetTime(&start, &end);
    } else {
        sample->SetTime(nullptr, nullptr);
    }
    sample->SetSyncPoint(TRUE);

    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data))) {
        data = nullptr;
    }
    const long capacity = sample->GetSize();
    if (m_pCamera && data) {
        // The controller copies at most capacity bytes.
        if (IsCapturePin()) {
            m_pCamera->GetFrameNoWait(data, capacity);
        } else {
            m_pCamera->GetFrame(data, capacity);
        }
    }
    return S_OK;
}

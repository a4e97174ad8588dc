// IAMDroppedFrames of the camera pin: the camera controller's frame counters,
// shared by both pins and read without a lock (a pair of calls is not a
// consistent snapshot).
#include "filter/CameraOutputPin.h"

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetNumDropped(long* dropped)
{
    if (!dropped) {
        return E_POINTER;
    }
    // Frames the capture pin did not take. Negative only when it fetched
    // more often than frames arrived: each of its fetches waits up to 500 ms
    // for a new frame, and after a timeout takes the last one again.
    *dropped = m_pCamera ? m_pCamera->m_FramesReceived.load() - m_pCamera->m_FramesFetched.load() : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetNumNotDropped(long* notDropped)
{
    if (!notDropped) {
        return E_POINTER;
    }
    *notDropped = m_pCamera ? m_pCamera->m_FramesFetched.load() : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetDroppedInfo(long /*arraySize*/, long* /*frameNumbers*/, long* copied)
{
    if (!copied) {
        return E_POINTER;
    }
    *copied = 0; // dropped frames are not recorded individually
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CameraOutputPin::GetAverageFrameSize(long* averageSize)
{
    if (!averageSize) {
        return E_POINTER;
    }
    *averageSize = static_cast<long>(connectionType.lSampleSize);
    return S_OK;
}

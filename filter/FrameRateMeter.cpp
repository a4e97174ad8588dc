#include "filter/FrameRateMeter.h"

FrameRateMeter::FrameRateMeter()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    m_Frequency = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
}

void FrameRateMeter::Restart()
{
    win::LockGuard guard(m_Lock);
    m_Count = 0;
    m_Next = 0;
}

void FrameRateMeter::Delivered(LONGLONG time)
{
    win::LockGuard guard(m_Lock);
    m_Times[m_Next] = time;
    m_Next = (m_Next + 1) % kWindow;
    if (m_Count < kWindow) {
        ++m_Count;
    }
}

void FrameRateMeter::Delivered()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    Delivered(now.QuadPart);
}

bool FrameRateMeter::MeanInterval(REFERENCE_TIME* interval)
{
    LONGLONG span = 0;
    int intervals = 0;
    {
        win::LockGuard guard(m_Lock);
        if (m_Count < 2) {
            return false;
        }
        const LONGLONG newest = m_Times[(m_Next + kWindow - 1) % kWindow];
        const LONGLONG oldest = m_Times[(m_Next + kWindow - m_Count) % kWindow];
        span = newest - oldest;
        intervals = m_Count - 1;
    }
    // Counts to 100-ns units without overflow: seconds and the remainder apart.
    const LONGLONG perInterval = span / intervals;
    *interval = perInterval / m_Frequency * 10000000 + perInterval % m_Frequency * 10000000 / m_Frequency;
    return true;
}

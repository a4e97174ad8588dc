#include "simcamera/FrameProducer.h"

#include <stdint.h>

namespace {

// Longest single wait; the loop re-reads its state at least this often.
constexpr DWORD kMaxWaitMs = 1000;

int64_t Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

} // namespace

FrameProducer::FrameProducer(FrameSource& source) : m_source(source) {}

bool FrameProducer::Start()
{
    if (m_thread.Joinable()) {
        return true;
    }
    if (!m_wakeEvent.Valid()) {
        return false;
    }
    const LONG run = InterlockedIncrement(&m_currentRun);
    InterlockedExchange(&m_restartRequested, 0);
    return m_thread.Start(
        [this, run] {
            Run(run);
            return DWORD{0};
        },
        win::Thread::ModuleHold::UntilExit);
}

void FrameProducer::Stop()
{
    if (!m_thread.Joinable()) {
        return;
    }
    InterlockedIncrement(&m_currentRun);
    m_wakeEvent.Set();
    // On the producer thread itself this lets the thread go instead.
    m_thread.Join();
}

void FrameProducer::ScheduleChanged()
{
    m_wakeEvent.Set();
}

void FrameProducer::RestartExposure()
{
    InterlockedExchange(&m_restartRequested, 1);
    m_wakeEvent.Set();
}

void FrameProducer::Run(LONG run)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const int64_t ticksPerSecond = frequency.QuadPart;
    auto ticks = [ticksPerSecond](unsigned ms) { return static_cast<int64_t>(ms) * ticksPerSecond / 1000; };

    unsigned intervalMs = m_source.FrameIntervalMs();
    int64_t exposureStart = Now(); // when the running exposure began
    int64_t due = exposureStart + ticks(intervalMs);

    while (InterlockedCompareExchange(&m_currentRun, 0, 0) == run) {
        if (InterlockedExchange(&m_restartRequested, 0)) {
            exposureStart = Now();
            due = exposureStart + ticks(intervalMs);
        }
        const unsigned newIntervalMs = m_source.FrameIntervalMs();
        if (newIntervalMs != intervalMs) {
            intervalMs = newIntervalMs;
            due = exposureStart + ticks(intervalMs);
        }

        int64_t now = Now();
        if (now < due) {
            const int64_t remainingMs = ((due - now) * 1000 + ticksPerSecond - 1) / ticksPerSecond;
            m_wakeEvent.Wait(remainingMs < kMaxWaitMs ? static_cast<DWORD>(remainingMs) : kMaxWaitMs);
            continue; // woken or timed out: re-read the state and the time
        }

        m_source.ProduceFrame();
        exposureStart = due;
        due += ticks(intervalMs);
        now = Now();
        if (due <= now) {
            // Behind by whole intervals: skip them and keep the phase.
            const int64_t interval = ticks(intervalMs) > 0 ? ticks(intervalMs) : 1;
            const int64_t missed = (now - due) / interval + 1;
            due += missed * interval;
            exposureStart = due - interval;
        }
    }
}

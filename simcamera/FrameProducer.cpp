#include "simcamera/FrameProducer.h"

#include <stdint.h>

#include <new>

namespace {

// Any address inside this DLL, to take a reference on it.
const char moduleAnchor = 0;

// Longest single wait; the loop re-reads its state at least this often.
constexpr DWORD kMaxWaitMs = 1000;

int64_t Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

} // namespace

FrameProducer::FrameProducer(FrameSource& source)
    : m_source(source), m_wakeEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

FrameProducer::~FrameProducer()
{
    if (m_wakeEvent) {
        CloseHandle(m_wakeEvent);
    }
}

// What a new producer thread is handed; it frees this itself.
struct FrameProducer::ThreadStart {
    FrameProducer* producer;
    LONG run;
    HMODULE module; // a reference on this DLL, released as the thread exits
};

bool FrameProducer::Start()
{
    if (m_thread) {
        return true;
    }
    if (!m_wakeEvent) {
        return false;
    }
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, &moduleAnchor, &module)) {
        return false;
    }
    auto* start = new (std::nothrow) ThreadStart{this, InterlockedIncrement(&m_currentRun), module};
    if (!start) {
        FreeLibrary(module);
        return false;
    }
    InterlockedExchange(&m_restartRequested, 0);
    m_thread = CreateThread(nullptr, 0, &FrameProducer::ThreadMain, start, 0, nullptr);
    if (!m_thread) {
        delete start;
        FreeLibrary(module);
        return false;
    }
    return true;
}

void FrameProducer::Stop()
{
    if (!m_thread) {
        return;
    }
    InterlockedIncrement(&m_currentRun);
    SetEvent(m_wakeEvent);
    if (GetThreadId(m_thread) != GetCurrentThreadId()) {
        WaitForSingleObject(m_thread, INFINITE);
    }
    CloseHandle(m_thread);
    m_thread = nullptr;
}

void FrameProducer::ScheduleChanged()
{
    SetEvent(m_wakeEvent);
}

void FrameProducer::RestartExposure()
{
    InterlockedExchange(&m_restartRequested, 1);
    SetEvent(m_wakeEvent);
}

DWORD WINAPI FrameProducer::ThreadMain(void* parameter)
{
    auto* start = static_cast<ThreadStart*>(parameter);
    const HMODULE module = start->module;
    start->producer->Run(start->run);
    delete start;
    FreeLibraryAndExitThread(module, 0);
    return 0;
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
            WaitForSingleObject(m_wakeEvent, remainingMs < kMaxWaitMs ? static_cast<DWORD>(remainingMs) : kMaxWaitMs);
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

// The simulated sensor's clock: a thread that finishes a frame every frame
// interval, from Start to Stop.
//
// Frames are scheduled against QueryPerformanceCounter (frame n is due at
// start + n x interval), so the rate does not drift with scheduling delays;
// when the thread falls behind by whole intervals it skips those slots rather
// than producing a burst. The interval is read from the source before every
// wait, so a change of frame speed or exposure applies to the running
// exposure at once.
//
// Threading: Start and Stop are called by one thread at a time (the device's
// lifecycle lock). Stop joins the thread, so the caller must not hold any lock
// that FrameSource::ProduceFrame or FrameIntervalMs takes. Called on the
// producer thread itself (from inside ProduceFrame, through the SDK callback),
// Stop cannot join: it lets the thread go and the thread ends on its own as
// soon as ProduceFrame returns. ScheduleChanged and RestartExposure may be
// called from any thread at any time.
//
// While running, the thread holds a reference on the DLL and drops it as it
// exits (win::Thread::ModuleHold::UntilExit), so a process that unloads the
// DLL while the camera plays does not pull the code from under the thread.
#pragma once

#include <windows.h>

#include "win/Event.h"
#include "win/Thread.h"

class FrameSource {
public:
    // The current time from one frame to the next, in milliseconds.
    virtual unsigned FrameIntervalMs() = 0;
    // Called on the producer thread when a frame is due.
    virtual void ProduceFrame() = 0;

protected:
    ~FrameSource() = default;
};

class FrameProducer {
public:
    explicit FrameProducer(FrameSource& source);
    // Joins a thread still held. A running thread keeps the DLL loaded, so
    // that happens only at process exit, when the system has ended the thread
    // already and the join returns at once.
    ~FrameProducer() = default;
    FrameProducer(const FrameProducer&) = delete;
    FrameProducer& operator=(const FrameProducer&) = delete;

    // Starts the thread; false when it could not be created. Not running on return of false.
    bool Start();
    // Ends the thread and waits for it; nothing to do when it is not running.
    void Stop();
    bool Running() const { return m_thread.Joinable(); }

    // The interval may have changed: the thread re-reads it now.
    void ScheduleChanged();
    // Restarts the running exposure: the next frame is one interval from now.
    void RestartExposure();

private:
    // Produces frames while m_currentRun is run.
    void Run(LONG run);

    FrameSource& m_source;
    win::Event m_wakeEvent{win::Event::Mode::AutoReset};
    win::Thread m_thread; // set by Start, joined (or let go) by Stop
    // Each Start begins a new run; Stop advances the number, which ends the
    // thread of the run before.
    volatile LONG m_currentRun = 0;
    volatile LONG m_restartRequested = 0;
};

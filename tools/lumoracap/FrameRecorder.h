// Writes frames into an AVI file on a thread of its own, so that the
// streaming thread that hands them over never waits for the disk.
//
// Frames are copied into a bounded queue of recycled buffers: at most
// `capacity` frames are held at once, queued or being written (buffers are
// allocated as the queue first needs them and reused afterwards, so memory
// stays flat). A frame that finds no free buffer is dropped and counted.
// The first failed write ends the writing: the thread lets the queue go,
// FailedEvent() is set, and later frames are neither queued nor counted.
//
// Threading: Push runs on a streaming thread, the other methods on the
// application's thread; the writer thread alone calls the AviWriter while
// the recorder runs. queueLock guards the queue, the free buffers and the
// counts; it is never held while a frame is copied or written, and nothing
// else is taken under it.
// Ownership: the AviWriter is the caller's and must stay until Stop; the
// writer is the caller's again after Stop (Finish it then).
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <vector>

#include "tools/lumoracap/AviWriter.h"
#include "win/ConditionVariable.h"
#include "win/Event.h"
#include "win/Lock.h"
#include "win/Thread.h"

class FrameRecorder {
public:
    // About one second of frames at 30 frames per second.
    static const size_t kDefaultCapacity = 30;

    FrameRecorder(AviWriter& writer, size_t capacity = kDefaultCapacity);
    // Stops (see Stop).
    ~FrameRecorder() { Stop(); }
    FrameRecorder(const FrameRecorder&) = delete;
    FrameRecorder& operator=(const FrameRecorder&) = delete;

    // Starts the writer thread; false when the system refuses one.
    bool Start();
    // Queues a copy of the frame for the writer thread, or drops it (and
    // counts it) when every buffer is taken or memory is short. Never waits
    // for the disk.
    void Push(const BYTE* data, DWORD bytes);
    // Lets the writer thread write what is queued, then joins it. The first
    // failure to write a frame, or S_OK.
    HRESULT Stop();

    // Frames dropped because the queue was full.
    long Dropped();
    // The rate the writer thread wrote frames at while it was writing (bytes
    // over the time spent in AddFrame, idle time left out); 0 before the
    // first frame is written.
    double WriteBytesPerSecond();
    // Set when a write has failed (the writing has ended).
    HANDLE FailedEvent() const { return failed.Get(); }

private:
    struct Frame {
        std::unique_ptr<BYTE[]> data;
        DWORD capacity = 0;
        DWORD bytes = 0;
    };

    DWORD WriteQueuedFrames();
    std::unique_ptr<Frame> TakeFreeBuffer(DWORD bytes);

    AviWriter& writer;
    const size_t capacity;
    win::Lock queueLock;
    win::ConditionVariable queueChanged;      // with queueLock: a frame queued, or stopping
    std::deque<std::unique_ptr<Frame>> queue; // under queueLock
    std::vector<std::unique_ptr<Frame>> freeBuffers; // under queueLock
    size_t allocated = 0;                     // under queueLock: buffers that exist
    long dropped = 0;                         // under queueLock
    ULONGLONG bytesWritten = 0;               // under queueLock
    LONGLONG writingTicks = 0;                // under queueLock: performance counter ticks spent in AddFrame
    bool stopping = false;                    // under queueLock
    HRESULT failure = S_OK;                   // under queueLock
    win::Event failed{win::Event::Mode::ManualReset};
    win::Thread thread;                       // last: joined before the members above go
};

#include "tools/lumoracap/FrameRecorder.h"

#include <cstring>
#include <new>
#include <utility>

FrameRecorder::FrameRecorder(AviWriter& writer, size_t capacity) : writer(writer), capacity(capacity)
{
    freeBuffers.reserve(capacity);
}

bool FrameRecorder::Start()
{
    return thread.Start([this] { return WriteQueuedFrames(); });
}

// A free buffer holding at least bytes (recycled, or new while fewer than
// capacity exist), or null. Called with queueLock held; allocates under it
// only when the queue grows, never per frame once it has.
std::unique_ptr<FrameRecorder::Frame> FrameRecorder::TakeFreeBuffer(DWORD bytes)
{
    std::unique_ptr<Frame> frame;
    if (!freeBuffers.empty()) {
        frame = std::move(freeBuffers.back());
        freeBuffers.pop_back();
    } else if (allocated < capacity) {
        frame.reset(new (std::nothrow) Frame);
        if (!frame) {
            return nullptr;
        }
        ++allocated;
    } else {
        return nullptr;
    }
    if (frame->capacity < bytes) {
        frame->data.reset(new (std::nothrow) BYTE[bytes]);
        frame->capacity = frame->data ? bytes : 0;
    }
    if (!frame->data) {
        freeBuffers.push_back(std::move(frame)); // kept for a later frame
        return nullptr;
    }
    return frame;
}

void FrameRecorder::Push(const BYTE* data, DWORD bytes)
{
    std::unique_ptr<Frame> frame;
    {
        win::LockGuard hold(queueLock);
        if (FAILED(failure) || stopping) {
            return;
        }
        frame = TakeFreeBuffer(bytes);
        if (!frame) {
            ++dropped;
            return;
        }
    }
    // The copy runs without the lock: the buffer is this thread's until it
    // is queued.
    std::memcpy(frame->data.get(), data, bytes);
    frame->bytes = bytes;
    win::LockGuard hold(queueLock);
    queue.push_back(std::move(frame));
    queueChanged.WakeAll();
}

DWORD FrameRecorder::WriteQueuedFrames()
{
    for (;;) {
        std::unique_ptr<Frame> frame;
        {
            win::LockGuard hold(queueLock);
            while (queue.empty() && !stopping) {
                queueChanged.Wait(queueLock, INFINITE);
            }
            if (queue.empty()) {
                return 0; // stopping, and everything is written
            }
            frame = std::move(queue.front());
            queue.pop_front();
        }
        LARGE_INTEGER before = {};
        LARGE_INTEGER after = {};
        QueryPerformanceCounter(&before);
        const HRESULT hr = writer.AddFrame(frame->data.get(), frame->bytes);
        QueryPerformanceCounter(&after);
        win::LockGuard hold(queueLock);
        writingTicks += after.QuadPart - before.QuadPart;
        if (SUCCEEDED(hr)) {
            bytesWritten += frame->bytes;
        }
        freeBuffers.push_back(std::move(frame));
        if (FAILED(hr)) {
            failure = hr;
            // The queued frames cannot be written either.
            while (!queue.empty()) {
                freeBuffers.push_back(std::move(queue.front()));
                queue.pop_front();
            }
            failed.Set();
            return 1;
        }
    }
}

HRESULT FrameRecorder::Stop()
{
    {
        win::LockGuard hold(queueLock);
        stopping = true;
        queueChanged.WakeAll();
    }
    thread.Join();
    win::LockGuard hold(queueLock);
    return failure;
}

long FrameRecorder::Dropped()
{
    win::LockGuard hold(queueLock);
    return dropped;
}

double FrameRecorder::WriteBytesPerSecond()
{
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    win::LockGuard hold(queueLock);
    if (bytesWritten == 0 || writingTicks <= 0) {
        return 0;
    }
    return static_cast<double>(bytesWritten) * static_cast<double>(frequency.QuadPart) /
           static_cast<double>(writingTicks);
}

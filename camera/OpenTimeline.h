// When the camera controller's last open went through each of its steps, as
// QueryPerformanceCounter values, for the benchmark to break a graph's Pause
// down into them. Process-wide, as FramePathCounters: one controller at a
// time opens the camera. 0: the step has not happened since the open began.
//
// Relaxed atomics: written by the thread that opens the camera (a pin's
// worker) and by the capture thread, read by the benchmark after a run.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

struct OpenTimeline {
    std::atomic<int64_t> openBegan{0};          // Init began to open the camera (the claim taken)
    std::atomic<int64_t> captureThreadReady{0}; // the capture thread's window exists
    std::atomic<int64_t> cameraInitDone{0};     // CameraInit returned
    std::atomic<int64_t> settingsSent{0};       // every value of the record sent
    std::atomic<int64_t> imagesReady{0};        // the image ring holds its black image
    std::atomic<int64_t> settingsSaved{0};      // Init wrote the applied record to the file
    std::atomic<int64_t> playing{0};            // CameraPlay returned
    std::atomic<int64_t> firstFrame{0};         // the capture thread took the open's first frame message

    // Clears every step: a new open begins.
    void Restart();
};

// The process's timeline.
OpenTimeline& LastOpenTimeline();

// The QueryPerformanceCounter value now, into step.
void MarkNow(std::atomic<int64_t>& step);

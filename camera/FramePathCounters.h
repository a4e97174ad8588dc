// What the frame path copies, counted as it happens, for the benchmark to
// divide by the frame size and the samples delivered. Process-wide: the
// module holds one camera controller at a time that has the camera open.
//
// cameraBytes: bytes the SDK's fetches wrote into the controller's images
// (one image per camera frame). sampleBytes: bytes the controller copied out
// of its images into consumers' buffers (one frame per delivered sample).
// Relaxed atomics: read by the benchmark at the ends of a window, written by
// the capture thread and the pins' workers.
#pragma once

#include <atomic>
#include <cstdint>

struct FramePathCounters {
    std::atomic<uint64_t> cameraBytes{0};
    std::atomic<uint64_t> sampleBytes{0};
};

// The process's counters.
FramePathCounters& FramePathCopies();

// Everything one benchmark run found, as the report prints it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/RunStatistics.h"
#include "camera/FrameWindow.h"
#include "camera/PixelFormat.h"

// The frame the pins deliver and the image the simulated camera fills at
// resolution index 0 (the default): the crop cuts the first out of the second.
// At resolution index 1 or 2 (the binned read-outs) the image is the frame.
constexpr int kFrameWidth = 3032;
constexpr int kFrameHeight = 2016;
constexpr int kImageWidth = 3264;
constexpr int kImageHeight = 2448;
constexpr uint64_t kFrameBytes = uint64_t(kFrameWidth) * kFrameHeight * 3;
constexpr uint64_t kImageBytes = uint64_t(kImageWidth) * kImageHeight * 3;
// Sample buffers each pin asks its allocator for.
constexpr int kBuffersPerPin = 3;
// Frame copies timed for a floor, and the buffers the copy floor goes round:
// as many frame buffers as the frame path touches (the pins' samples, the
// controller's image and frame), so that, as there, the copies are
// cache-cold. The hot floor copies between two buffers only.
constexpr int kFloorCopies = 40;
constexpr int kFootprintBuffers = 8;
// The whole-image floors go round 6 image buffers (137 MiB): as far beyond
// any cache, and below every run's memory budget, so that they do not raise
// the process's peak working set, which later runs are held to.
constexpr int kImageFootprintBuffers = 6;
constexpr int kHotBuffers = 2;

// CPU time one thread, or one group of threads, used in the window, and
// per unit of its work where it has one (a frame the controller handled, a
// sample the pin delivered).
struct ThreadShare {
    std::string role;
    int threads = 0;
    double cpuMs = 0;
    double perUnitMs = stats::kMissing;
    std::string unit;
};

// The graph's Pause broken down, in ms, from the controller's open timeline
// (camera/OpenTimeline.h), each step from the end of the one before; the
// allocators timed from outside. Missing where a step did not happen.
struct PauseSteps {
    double beforeOpenMs = stats::kMissing;     // Pause called -> the open began: the graph's state change,
                                               // the pins' allocator commits, the first worker's start and its
                                               // settings read
    double captureThreadMs = stats::kMissing;  // the capture thread and its window
    double cameraInitMs = stats::kMissing;     // CameraInit
    double settingsSentMs = stats::kMissing;   // every value of the record sent to the camera
    double imageBuffersMs = stats::kMissing;   // the image ring's black image (allocation and clearing)
    double settingsSaveMs = stats::kMissing;   // the applied record written to the settings file
    double playMs = stats::kMissing;           // CameraPlay
    double afterPlayMs = stats::kMissing;      // -> Pause returned (the other pin's start)
    double firstFrameMs = stats::kMissing;     // CameraPlay returned -> the first frame message taken
    // A new allocator with each connected pin's properties, committed, and
    // then every buffer written once (both pins together).
    double allocatorCommitMs = stats::kMissing;
    double allocatorFirstTouchMs = stats::kMissing;
};

struct RunResult {
    // Each pin's frame in the run's format.
    uint64_t CaptureFrameBytes() const { return FrameLayout::Natural(format, captureWidth, captureHeight).Bytes(); }
    uint64_t PreviewFrameBytes() const { return FrameLayout::Natural(format, previewWidth, previewHeight).Bytes(); }
    // The image the camera fills per frame at this run's resolution index.
    int ImageWidth() const { return resolution == 0 ? kImageWidth : kFrameWidth; }
    int ImageHeight() const { return resolution == 0 ? kImageHeight : kFrameHeight; }
    uint64_t ImageBytes() const { return uint64_t(ImageWidth()) * ImageHeight() * 3; }
    // Bytes of the samples delivered on both pins in the window, each pin's
    // samples at that pin's own frame size.
    uint64_t DeliveredBytes() const
    {
        return uint64_t(capture.delivered) * CaptureFrameBytes() + uint64_t(preview.delivered) * PreviewFrameBytes();
    }
    // Bytes of the camera's image each pin's conversion reads per sample
    // (stats::SourceWindowBytes), summed over the samples delivered.
    uint64_t DeliveredWindowBytes() const
    {
        return uint64_t(capture.delivered) *
                   stats::SourceWindowBytes(ImageWidth(), ImageHeight(), captureWidth, captureHeight) +
               uint64_t(preview.delivered) *
                   stats::SourceWindowBytes(ImageWidth(), ImageHeight(), previewWidth, previewHeight);
    }
    // A pin worker's CPU per sample (worker: the "capture_worker" or
    // "preview_worker" share, with its per-sample figure) in cache-cold copies
    // of that pin's source window, each at copyMs per kFrameBytes; missing
    // for another share or without the per-sample figure.
    double FillWindowCopies(const ThreadShare& worker) const
    {
        const bool capturePin = worker.role == "capture_worker";
        if ((!capturePin && worker.role != "preview_worker") || !(worker.perUnitMs >= 0)) {
            return stats::kMissing;
        }
        const uint64_t window =
            capturePin ? stats::SourceWindowBytes(ImageWidth(), ImageHeight(), captureWidth, captureHeight)
                       : stats::SourceWindowBytes(ImageWidth(), ImageHeight(), previewWidth, previewHeight);
        return stats::CpuInCopies(worker.perUnitMs, window, 1, kFrameBytes, copyMs);
    }
    // Whether the pins' frames are converted or scaled from the camera's
    // image rather than cut from it: the camera's stamp does not survive,
    // and the copy-based targets, made for the cut, do not apply.
    bool Converted() const { return format != PixelFormat::Rgb24 || stats::IsScaled(captureWidth, captureHeight); }

    int run = 0;                 // 1-based
    std::string error;           // empty when the run completed
    double seconds = 0;          // the measured window
    bool withClock = true;
    int resolution = 0;          // the camera's resolution index (stored in the settings file)
    bool captureOnly = false;    // the preview pin is not connected (--capture-only)
    // The pins' format and frames: RGB24 at kFrameWidth x kFrameHeight, or
    // the capture pin's the whole image (kImageWidth x kImageHeight) with
    // --full-size-capture, or both the ladder entry of --format and --size.
    bool ladderEntry = false;
    PixelFormat format = PixelFormat::Rgb24;
    int captureWidth = kFrameWidth;
    int captureHeight = kFrameHeight;
    int previewWidth = kFrameWidth;
    int previewHeight = kFrameHeight;
    bool captureSharesAllocator = false;
    bool previewSharesAllocator = false;
    stats::PinFigures capture;
    stats::PinFigures preview;

    // Starting the graph, in ms: how long Pause and Run took, and when the
    // stream time reached 0 after Run returned (a renderer presents a sample
    // stamped t at stream time t).
    double pauseCallMs = stats::kMissing;
    double runCallMs = stats::kMissing;
    double streamZeroAfterRunMs = stats::kMissing;
    PauseSteps pauseSteps;

    double cpuMs = 0;            // process CPU (kernel + user) in the window
    uint64_t delivered = 0;      // samples delivered on both pins in the window
    double cpuMsPerFrame = 0;    // cpuMs / delivered
    double copyMs = 0;           // median cache-cold memcpy of one frame (kFrameBytes): the unit the targets use
    double hotCopyMs = 0;        // median memcpy of one frame between two buffers (cache-warm where it fits)
    // Median cache-cold copies with the platform's memcpy and with
    // StreamingCopy, of one frame (kFrameBytes) and of one whole image
    // (kImageBytes): what CopyFrameBytes was chosen by. memcpyColdMs is
    // copyMs.
    double memcpyColdMs = 0;
    double streamingColdMs = 0;
    double memcpyColdImageMs = 0;
    double streamingColdImageMs = 0;
    double requiredCopies = 0;   // frame copies (of kFrameBytes) the design needs per delivered frame
    double cpuToCopiesRatio = 0; // cpuMsPerFrame / (requiredCopies * copyMs)

    // What the frame path reported copying in the window (FramePathCopies):
    // the camera's fetches into the controller's images and the copies into
    // samples. Both 0 while the controller does not count.
    uint64_t cameraCopiedBytes = 0;
    uint64_t sampleCopiedBytes = 0;
    // (cameraCopiedBytes + sampleCopiedBytes) / DeliveredBytes(): copies per
    // delivered sample, each in its own size; missing when nothing was counted.
    double measuredCopies = stats::kMissing;
    // cpuMsPerFrame / (measured bytes copied per delivered sample, in frame
    // copies, x copyMs); missing with measuredCopies.
    double cpuToMeasuredCopiesRatio = stats::kMissing;
    // cpuMsPerFrame in cache-cold copies of what a delivered sample's
    // conversion reads (its source window) and of what it writes (its
    // frame), each at copyMs per kFrameBytes.
    double cpuToWindowCopies = stats::kMissing;
    double cpuToFrameCopies = stats::kMissing;
    // Each pin worker's own CPU per sample it delivered (its fill: the
    // conversion or copy, and the delivery on its thread) in cache-cold
    // copies of that pin's source window; missing without the worker's CPU
    // or samples.
    double captureFillWindowCopies = stats::kMissing;
    double previewFillWindowCopies = stats::kMissing;

    long cameraFrames = 0;       // frame messages the controller handled in the window
    long cameraProduced = 0;     // frames the simulated camera produced in the window
    long cameraSkipped = 0;      // of them, produced while the previous was unfetched

    uint64_t peakWorkingSet = 0; // process peak, bytes
    uint64_t startWorkingSet = 0; // working set before the run built its graph, bytes
    uint64_t memoryBudget = 0;   // bytes

    std::vector<ThreadShare> threads; // where the window's CPU went
};

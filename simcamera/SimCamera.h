// The simulated camera device: one per process, behind the SDK exports
// (SdkExports.cpp) and the test-only control API (SimControlExports.cpp).
//
// States: uninitialised -> initialised (CameraInit) -> playing (CameraPlay);
// CameraStop and CameraUnInit go back. Settings live for the whole process,
// whatever the state. What calls made in the wrong state do is documented in
// SimControl.h.
//
// Locks (win::ReaderWriterLock, always held exclusively; none is recursive),
// always taken in this order and never the other way round:
//   m_lifecycleLock  serialises Init, UnInit, Play, Stop and Reset, and is held
//                    while the producer thread is started or joined;
//   m_renderLock     serialises picture renders (about one image-sized copy),
//                    which run without m_stateLock so that Sets stay quick;
//   m_stateLock      guards every other field; held only for short work and
//                    never while waiting for another thread.
// The producer thread takes m_renderLock and m_stateLock, never
// m_lifecycleLock, so joining it under m_lifecycleLock cannot deadlock. The
// journal's lock is separate and taken by nobody holding these.
//
// Fetches never tear: a rendered picture is immutable and shared; a settings
// change makes a new one, and a fetch copies the one it took a reference on.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <memory>

#include "camera/CameraSdk.h"
#include "simcamera/FrameProducer.h"
#include "simcamera/PictureRenderer.h"
#include "simcamera/SimControl.h"
#include "simcamera/SimSettings.h"
#include "win/ReaderWriterLock.h"

class SimCamera : private FrameSource {
public:
    SimCamera();
    ~SimCamera();
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // Lifecycle and frames; results as the SDK functions return them.
    int Init(CameraCallback callback, int resolution, HWND notifyWindow);
    int UnInit();
    int Play();
    int Stop();
    int GetImageSize(int* width, int* height);
    int Fetch(unsigned char* buffer);

    // Settings.
    SimSettings Settings();
    // Applies change(settings) atomically; a real change re-renders the
    // picture before the next frame or fetch and reschedules the producer.
    template <class Change>
    void ChangeSettings(Change change)
    {
        {
            win::ExclusiveGuard state(m_stateLock);
            SimSettings changed = m_settings;
            change(changed);
            if (changed == m_settings) {
                return;
            }
            m_settings = changed;
            ++m_generation;
        }
        m_producer.ScheduleChanged();
    }
    // Sets red and blue gains that neutralise the sensor's colour cast.
    void RunAutoWhiteBalance();
    void RestartExposure();

    // Test-only control.
    void SetFault(int fault, bool active);
    // When an open camera takes an overridden size (a closed one takes it at
    // the next Init whatever is asked).
    enum class SizeChange {
        AtNextInit,
        // with the next frame produced once the last announced one was fetched
        BetweenFrames,
        // right after the next CameraGetImageSize has reported the old size,
        // before anything is fetched
        AfterNextSizeQuery,
    };
    void SetImageSizeOverride(int width, int height, SizeChange when);
    // held: every fetched image shows the marker at its first step.
    void HoldMarker(bool held);
    SimCounters Counters();
    void ResetCounters();
    // Stops and uninitialises, then restores the power-on state.
    void Reset();

private:
    static constexpr int kFaultSlots = 8;

    // FrameSource, on the producer thread.
    unsigned FrameIntervalMs() override;
    void ProduceFrame() override;

    // The picture for the current settings and size, rendered if stale; null
    // when uninitialised or out of memory. Takes m_renderLock, then m_stateLock.
    std::shared_ptr<const RenderedPicture> CurrentPicture();
    bool FaultActive(int fault) const; // m_stateLock held
    // The image size for m_resolution and the override. m_stateLock held.
    void TakeImageSize();
    void StopAndUnInit();              // m_lifecycleLock held

    win::ReaderWriterLock m_lifecycleLock;
    win::ReaderWriterLock m_renderLock;
    win::ReaderWriterLock m_stateLock;
    FrameProducer m_producer; // started and stopped under m_lifecycleLock

    // Guarded by m_stateLock.
    SimSettings m_settings;
    uint64_t m_generation = 1; // advances with every change the picture depends on
    bool m_faults[kFaultSlots] = {};
    int m_overrideWidth = 0; // 0: the built-in sizes
    int m_overrideHeight = 0;
    // SimChangeImageSize while open: the next frame produced after the last
    // announced one was fetched takes the override.
    bool m_sizeChangePending = false;
    // SimChangeImageSizeAfterNextQuery while open: the next GetImageSize
    // takes the override once it has reported the size in effect.
    bool m_sizeChangeAfterQuery = false;
    bool m_markerHeld = false;
    bool m_initialised = false;
    bool m_playing = false;
    int m_resolution = 0;
    int m_width = 0;
    int m_height = 0;
    CameraCallback m_callback = nullptr;
    HWND m_notifyWindow = nullptr;
    uint32_t m_sequence = 0;  // of the newest frame; 0 before the first
    uint64_t m_frameQpc = 0;  // when the newest frame was produced
    bool m_framePending = false; // posted and not yet fetched
    SimCounters m_counters = {};
    std::shared_ptr<const RenderedPicture> m_picture;
};

// The process's camera.
SimCamera& TheCamera();

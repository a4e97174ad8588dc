// When the controller learned of each of its latest camera frames: the
// QueryPerformanceCounter value taken as the capture thread began to handle
// the camera's frame message, kept by the frame's sequence
// (CCamera::m_FramesReceived numbering). A reader looks up the frame it has
// just delivered, so that whoever receives the frame downstream can tell how
// long it took from the camera to there, whatever the frame was converted
// or scaled into.
//
// Threading: not synchronised itself; the controller uses it under m_Lock.
#pragma once

#include <windows.h>

#include <cstdint>

class FrameArrivals {
public:
    // Frames kept: readers deliver the newest image or one a little older
    // (the image ring holds three), never one this far back.
    static constexpr int kKept = 8;

    void Note(LONG sequence, int64_t qpc)
    {
        Slot& slot = m_Slots[static_cast<unsigned long>(sequence) % kKept];
        slot.sequence = sequence;
        slot.qpc = qpc;
    }

    // The arrival of frame sequence; 0 when it is not kept (sequence 0, the
    // black image before the first frame, or a frame long gone).
    int64_t Of(LONG sequence) const
    {
        const Slot& slot = m_Slots[static_cast<unsigned long>(sequence) % kKept];
        return sequence > 0 && slot.sequence == sequence ? slot.qpc : 0;
    }

private:
    struct Slot {
        LONG sequence = 0;
        int64_t qpc = 0;
    };
    Slot m_Slots[kKept];
};

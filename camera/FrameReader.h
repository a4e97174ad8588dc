// FrameReader: the one way a consumer (a pin's worker) takes frames from the
// camera controller. Each consumer holds its own reader for as long as it
// streams; one call waits for a frame newer than the last it returned and
// fills the consumer's buffer with it, the cheapest sound way:
//   - direct fill: the SDK writes the camera's image straight into the
//     buffer, with no copy of the controller's. Only for the one active
//     reader of the controller, whose frame is the camera's image as it is
//     (RGB24, same size, rows without padding) and whose buffer holds the
//     largest image the camera makes (ImageLimits.h: the SDK writes the size
//     it has at that moment, unbounded). Meanwhile the capture thread fetches
//     nothing; it counts each frame and wakes the waiters.
//   - otherwise the frame is taken from the controller's newest image: a
//     cut for RGB24, a conversion or an area-averaged scale for the other
//     layouts (FrameConverter), outside the controller's lock on a read turn
//     of that image.
// The choice is made on every read, here and nowhere else: direct fill
// begins on the read after it becomes possible (that read is a copy, and
// tells the capture thread to stop fetching), and ends on the first read
// where it is no longer possible (another reader appeared, the layout or the
// buffer changed, the camera's image changed size, the camera closed); that
// read first fetches the camera's current image into the controller's
// buffers, so no stale image is copied.
//
// Threads: one thread (the consumer's) calls Read at a time; the reader
// keeps its converter's scratch rows and the sequence of its last frame.
// Construction and destruction take the controller's m_Lock briefly (the
// controller counts its readers); the controller must outlive its readers.
#pragma once

#include <windows.h>

#include <cstdint>

#include "camera/FrameConverter.h"
#include "camera/FrameWindow.h"
#include "camera/ImageRing.h"

class CCamera;

class FrameReader {
public:
    // Whether the reads count as the capture stream's fetches
    // (CCamera::m_FramesFetched, which IAMDroppedFrames reports).
    enum class Counting { Uncounted, AsCaptureStream };

    // What one Read did.
    struct Result {
        long bytes = 0;    // bytes written into the destination
        LONG sequence = 0; // the frame's sequence (CCamera::m_FramesReceived numbering)
        bool fresh = false; // a frame newer than the previous read's; false after a timeout
    };

    FrameReader(CCamera& camera, Counting counting);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Waits up to waitMs for a frame newer than the last this reader
    // returned (on timeout the newest frame is delivered again, fresh false)
    // and fills destination with it as a frame of layout, never writing more
    // than capacity bytes: an RGB24 cut writes the whole rows that fit, any
    // other layout nothing unless the whole frame fits. Before the camera's
    // first image the frame is black. No destination: nothing is waited for
    // or written. The wait releases the controller's lock, so closing the
    // camera is never held up by it (no frame comes, and it times out).
    Result Read(BYTE* destination, long capacity, const FrameLayout& layout, DWORD waitMs);

    // The camera frame the last Read on the calling thread delivered: its
    // sequence and when the controller learned of it (FrameArrivals); both 0
    // when that read delivered no frame of the current open (black, or no
    // read yet). A consumer hands each frame on, on its own thread, before
    // its next Read (a pin's worker delivering downstream), so whatever it
    // calls there can tell the frame's age, even of a converted or scaled
    // frame whose pixels no longer say which frame it was.
    struct Delivered {
        LONG sequence = 0;
        int64_t arrivalQpc = 0;
    };
    static Delivered LastDeliveredOnThisThread();

private:
    // How this read fills the destination (decided under the controller's lock).
    enum class Fill { Copy, Direct };

    CCamera& m_Camera;
    const Counting m_Counting;
    FrameConverter m_Converter;
    // The sequence of the last frame returned; 0: every frame of the open is newer.
    LONG m_LastSequence = 0;
    // Whether the controller's SharedFrame holds this reader's layout. Used
    // by the reading thread only.
    bool m_LayoutNoted = false;
    // Whether the first Read has brought its destination's pages in.
    bool m_DestinationTouched = false;
    // Fills destination (capacity bytes) with the frame of layout made from
    // an image of the controller's, on a read turn of it, outside m_Lock:
    // converted by this reader, or, while other readers share the layout,
    // made once by whichever comes first (SharedFrame) and copied. Returns
    // the bytes written (FrameConverter::Write).
    size_t FillFromImage(const ImageRing::Read& read, BYTE* destination, size_t capacity, const FrameLayout& layout);
    // Frame sequence with its arrival when the controller still keeps it;
    // empty for a frame of an earlier open. Caller holds m_Lock.
    Delivered DeliveredFrame(LONG sequence) const;
};

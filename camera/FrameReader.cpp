#include "camera/FrameReader.h"

#include <algorithm>

#include "camera/Camera.h"
#include "camera/CameraSdkLoader.h"
#include "camera/FrameCopy.h"
#include "camera/FramePathCounters.h"
#include "camera/ImageLimits.h"
#include "camera/MemoryPages.h"
#include "win/Lock.h"

namespace {

// Whether a buffer of capacity bytes may be handed to the SDK's fetch for a
// frame of layout from an imageWidth x imageHeight image: the frame is the
// image byte for byte, and the buffer holds the largest image the camera
// makes, whatever size the fetch writes.
bool SdkMayFillDirectly(long capacity, const FrameLayout& layout, int imageWidth, int imageHeight)
{
    return capacity > 0 && static_cast<size_t>(capacity) >= kLargestImageBytes &&
           layout.HoldsImageUncut(imageWidth, imageHeight);
}

// Whether readers sharing layout should convert each image once and copy
// the frame (SharedFrame): for every layout but the RGB24 and RGB32 cuts,
// whose fill is a copy of the frame's bytes, or costs about that, so that
// making it once and copying it would cost the first reader more than it
// saves the second.
bool WorthSharing(const FrameLayout& layout)
{
    const bool rgb = layout.format == PixelFormat::Rgb24 || layout.format == PixelFormat::Rgb32 ||
                     layout.format == PixelFormat::Rgb32TopDown;
    return !(rgb && layout.fit == FrameFit::CentredCut);
}

// How long a reader waits for another to make the frame they share.
const DWORD kSharedFrameWaitMs = 1000;

// What the last Read on each thread delivered (LastDeliveredOnThisThread),
// by thread id: one slot per reading thread, a few at a time (a filter's two
// pins). No thread-local storage: the pins' workers are plain system threads
// that come and go with every Pause. The lock is taken alone, never while
// holding a controller's m_Lock.
class DeliveredByThread {
public:
    void Set(const FrameReader::Delivered& delivered)
    {
        const DWORD self = GetCurrentThreadId();
        win::LockGuard guard(m_Lock);
        Slot* slot = nullptr;
        for (Slot& candidate : m_Slots) {
            if (candidate.thread == self) {
                slot = &candidate;
                break;
            }
            if (!slot && candidate.thread == 0) {
                slot = &candidate;
            }
        }
        if (!slot) {
            // More reading threads than slots: the oldest claim goes.
            slot = &m_Slots[m_NextReused];
            m_NextReused = (m_NextReused + 1) % kSlots;
        }
        slot->thread = self;
        slot->delivered = delivered;
    }

    FrameReader::Delivered Get()
    {
        const DWORD self = GetCurrentThreadId();
        win::LockGuard guard(m_Lock);
        for (const Slot& slot : m_Slots) {
            if (slot.thread == self) {
                return slot.delivered;
            }
        }
        return FrameReader::Delivered();
    }

    // The calling thread reads no more (its reader goes).
    void Release()
    {
        const DWORD self = GetCurrentThreadId();
        win::LockGuard guard(m_Lock);
        for (Slot& slot : m_Slots) {
            if (slot.thread == self) {
                slot = Slot();
            }
        }
    }

private:
    static constexpr int kSlots = 8;
    struct Slot {
        DWORD thread = 0;
        FrameReader::Delivered delivered;
    };
    win::Lock m_Lock;
    Slot m_Slots[kSlots];
    int m_NextReused = 0;
};

DeliveredByThread& LastDelivered()
{
    static DeliveredByThread table;
    return table;
}

} // namespace

FrameReader::Delivered FrameReader::LastDeliveredOnThisThread()
{
    return LastDelivered().Get();
}

FrameReader::Delivered FrameReader::DeliveredFrame(LONG sequence) const
{
    // Frames up to m_SequenceAtOpen are of an earlier open (the black image
    // Init publishes carries the last of them): no arrival of this open.
    if (sequence > m_Camera.m_SequenceAtOpen) {
        return {sequence, m_Camera.m_Arrivals.Of(sequence)};
    }
    return {};
}

FrameReader::FrameReader(CCamera& camera, Counting counting) : m_Camera(camera), m_Counting(counting)
{
    win::LockGuard guard(m_Camera.m_Lock);
    ++m_Camera.m_Readers;
    // Direct fill is for a reader alone: the images this one would copy are
    // not kept meanwhile. Its frames are fetched again from the next one on.
    m_Camera.m_DirectReader = nullptr;
}

FrameReader::~FrameReader()
{
    LastDelivered().Release();
    win::LockGuard guard(m_Camera.m_Lock);
    --m_Camera.m_Readers;
    m_Camera.m_SharedFrame.Forget(this);
    if (m_Camera.m_DirectReader == this) {
        m_Camera.m_DirectReader = nullptr;
    }
}

size_t FrameReader::FillFromImage(const ImageRing::Read& read, BYTE* destination, size_t capacity,
                                  const FrameLayout& layout)
{
    const size_t bytes = layout.Bytes();
    CCamera& camera = m_Camera;
    SharedFrame::Turn turn = SharedFrame::Turn::Alone;
    if (!(read.pixels && capacity >= bytes && WorthSharing(layout))) {
        if (m_LayoutNoted) {
            // No longer a layout to share: peers must not count on it.
            win::LockGuard guard(camera.m_Lock);
            camera.m_SharedFrame.Forget(this);
            m_LayoutNoted = false;
        }
    } else {
        win::LockGuard guard(camera.m_Lock);
        if (camera.m_Readers > 1) {
            m_LayoutNoted = true;
            // A maker's turn ends within one conversion; a reader that waits
            // longer (its maker's thread stopped) makes its own frame.
            const bool taken = camera.m_ImageTurn.WaitUntil(camera.m_Lock, kSharedFrameWaitMs, [&] {
                turn = camera.m_SharedFrame.Take(this, read.serial, layout);
                return turn != SharedFrame::Turn::Wait;
            });
            if (!taken) {
                turn = SharedFrame::Turn::Alone;
            }
        }
    }
    if (turn == SharedFrame::Turn::Make) {
        unsigned char* const shared = camera.m_SharedFrame.Reserve(bytes);
        const bool made =
            shared && m_Converter.Write(read.pixels, read.width, read.height, layout, shared, bytes) == bytes;
        if (made) {
            ++camera.m_SharedFramesMade;
        }
        win::LockGuard guard(camera.m_Lock);
        camera.m_SharedFrame.EndMake(made);
        camera.m_ImageTurn.WakeAll();
        turn = made ? SharedFrame::Turn::Copy : SharedFrame::Turn::Alone;
    }
    if (turn == SharedFrame::Turn::Copy) {
        CopyFrameBytes(destination, camera.m_SharedFrame.Bytes(), bytes);
        win::LockGuard guard(camera.m_Lock);
        camera.m_SharedFrame.EndCopy();
        camera.m_ImageTurn.WakeAll();
        return bytes;
    }
    return m_Converter.Write(read.pixels, read.width, read.height, layout, destination, capacity);
}

FrameReader::Result FrameReader::Read(BYTE* destination, long capacity, const FrameLayout& layout, DWORD waitMs)
{
    Result result;
    result.sequence = m_LastSequence;
    if (!destination) {
        LastDelivered().Set({});
        return result;
    }
    if (m_Counting == Counting::AsCaptureStream) {
        ++m_Camera.m_FramesFetched;
    }
    if (!m_DestinationTouched) {
        // The first read of a consumer waits for the camera's first frame
        // (a frame interval after the camera starts, at least), and its
        // destination is most likely memory nothing has written yet (a
        // freshly committed allocator's first sample): its pages are brought
        // in now, while there is nothing else to do, rather than in the
        // frame's fill, where they would delay the first frame by some 13 ms
        // per 18 MB. Later destinations are left alone: touching memory that
        // is already there would cost a pass over it on every frame.
        // Only a destination the frame fills whole: a read that writes
        // nothing (a converted frame larger than the destination) must
        // leave it as it was.
        m_DestinationTouched = true;
        if (capacity > 0 && static_cast<size_t>(capacity) >= layout.Bytes()) {
            TouchEveryPage(destination, layout.Bytes());
        }
    }

    CCamera& camera = m_Camera;
    Fill fill = Fill::Copy;
    bool fetchFirst = false;
    Delivered delivered; // what this read delivers, for LastDeliveredOnThisThread
    LONG directFrame = 0;
    {
        win::LockGuard guard(camera.m_Lock);
        // Releases m_Lock while it sleeps. After a timeout the newest frame goes again.
        result.fresh = camera.WaitUntilFrameAfter(m_LastSequence, waitMs);

        // The one decision between direct fill and a copy. The newest image
        // tells the camera's size: under direct fill it is the last one
        // fetched before, and a direct fetch that meets another size puts
        // the new image there (below), which ends direct fill at the next read.
        const ImageRing::Read newest = camera.m_Images.BeginRead();
        camera.m_Images.EndRead(newest);
        const bool possible = camera.m_Readers == 1 && camera.m_bOpened && newest.pixels &&
                              SdkMayFillDirectly(capacity, layout, newest.width, newest.height);
        if (camera.m_DirectReader == this) {
            if (possible) {
                fill = Fill::Direct;
            } else {
                camera.m_DirectReader = nullptr; // the capture thread fetches again
            }
        } else if (possible && !camera.m_DirectReader) {
            // From the next frame on the capture thread leaves the fetch to
            // this reader; this read still copies the image it fetched.
            camera.m_DirectReader = this;
        }
        if (fill == Fill::Direct) {
            // One SDK fetch at a time (a fallback's may still run); the state
            // may change while this waits.
            camera.WaitForFetchToEnd();
            if (camera.m_bOpened && camera.m_DirectReader == this) {
                camera.m_Fetching = true;
                directFrame = camera.m_FramesReceived;
            } else {
                fill = Fill::Copy;
            }
        }
        // Frames counted under direct fill are not in m_Images: fetch the
        // camera's current image before copying, never a stale one.
        fetchFirst = fill == Fill::Copy && camera.m_FrameAwaitsFetch && camera.m_bOpened;
    }

    if (fill == Fill::Direct) {
        // Outside m_Lock, as the capture thread's fetch: Init, Play, Stop and
        // UnInit wait for m_Fetching to clear. The SDK writes the whole image,
        // unbounded, at the size it has at that moment, which may differ from
        // the size it reported a moment ago: the buffer holds the largest
        // image, and the image must still be exactly the frame before and
        // after the fetch (FetchImageOfSize asks again).
        int width = 0;
        int height = 0;
        const bool fetched = GetCameraSdk().CameraGetImageSize(&width, &height) == 1 &&
                             SdkMayFillDirectly(capacity, layout, width, height) &&
                             camera.FetchImageOfSize(destination, width, height);
        {
            win::LockGuard guard(camera.m_Lock);
            camera.m_Fetching = false;
            camera.m_ImageTurn.WakeAll();
            if (fetched) {
                delivered = DeliveredFrame(directFrame);
            }
        }
        if (fetched) {
            LastDelivered().Set(delivered);
            FramePathCopies().cameraBytes += layout.Bytes();
            m_LastSequence = std::max(m_LastSequence, directFrame);
            result.sequence = directFrame;
            result.bytes = static_cast<long>(layout.Bytes());
            return result;
        }
        // Another size (perhaps changed during the fetch) or a failed fetch:
        // the image goes through a buffer of the controller's, and the frame
        // is cut from it over whatever the fetch wrote.
        fetchFirst = true;
    }
    if (fetchFirst) {
        camera.FetchImage(nullptr, false);
    }

    ImageRing::Read read;
    {
        win::LockGuard guard(camera.m_Lock);
        read = camera.m_Images.BeginRead();
    }
    // Outside m_Lock: the read turn keeps the image from being fetched over.
    // Without an image (never opened) the frame is black.
    const size_t written = capacity > 0 ? FillFromImage(read, destination, static_cast<size_t>(capacity), layout) : 0;
    FramePathCopies().sampleBytes += written;
    {
        win::LockGuard guard(camera.m_Lock);
        camera.m_Images.EndRead(read);
        if (written > 0) {
            delivered = DeliveredFrame(read.sequence);
        }
        // The capture thread may be waiting for this buffer.
        camera.m_ImageTurn.WakeAll();
    }
    // Never back: an image older than the last frame returned (the camera
    // closed before a stale image could be fetched again) is not waited for
    // as if it were new.
    LastDelivered().Set(delivered);
    m_LastSequence = std::max(m_LastSequence, read.sequence);
    result.sequence = read.sequence;
    result.bytes = static_cast<long>(written);
    return result;
}

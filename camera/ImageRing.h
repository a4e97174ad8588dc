// The camera controller's images: a few buffers in turn, so that the capture
// thread fetches the next image into a buffer no consumer is reading while
// the consumers copy their frames from the newest one, and neither holds the
// controller's lock across a copy.
//
// Turns: a buffer is either the newest (which consumers may read, any
// number at once), being written (by the one holder of its write turn), or
// free. A write turn is given only for a buffer that is neither the newest
// nor read by anyone, so the bytes a reader is copying never change under it
// and a frame is never torn. A reader keeps its buffer until it ends its
// read, even after newer images were published.
//
// Threading: not synchronised itself. Every member except Reserve is called
// with the controller's m_Lock held; Reserve and the bytes of a buffer are
// used outside it, by the holder of the buffer's turn only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

class ImageRing {
public:
    // Enough for the capture thread and two consumers each reading a
    // different image: the newest, the one an earlier reader still copies,
    // and one to fetch into.
    static constexpr int kBuffers = 3;
    static constexpr int kNone = -1;

    // An image a reader copies from; pixels null (and sizes 0) before the
    // first image, which reads as black.
    struct Read {
        int buffer = kNone;
        const unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        LONG sequence = 0;
        // Tells published images apart: a new serial with every publication
        // (a black image of a new open may carry the sequence of the last
        // open's last frame). 0 for an empty Read.
        uint64_t serial = 0;
    };

    ImageRing() = default;
    ImageRing(const ImageRing&) = delete;
    ImageRing& operator=(const ImageRing&) = delete;

    // Makes a black width x height image the newest, with sequence: a free
    // buffer stands for it without its pixels (a read gets no pixels, which
    // readers deliver as black), so that an open neither allocates nor
    // clears an image's worth of memory for it. False (nothing changed) when
    // the size is unusable (see Reserve) or no buffer is free.
    bool PublishBlack(int width, int height, LONG sequence);

    // A write turn: the index of a buffer that is neither the newest, nor
    // read, nor written; kNone when there is none.
    int BeginWrite();
    // Returns where a width x height x 3 image goes in buffer, which holds
    // the largest image the camera can produce (kLargestImageBytes, allocated
    // at the first reserve), so that an SDK fetch of any image up to that
    // size stays within it; null when the size is not positive or larger
    // than that, or memory is short. Holder of the write turn only; may run
    // outside the lock.
    unsigned char* Reserve(int buffer, int width, int height);
    // Makes the buffer's memory ready for a fetch before one comes: holds the
    // largest image (allocated as Reserve does) and every page of it written
    // once, so that the first fetch into it does not wait for the system to
    // provide its pages (a fresh 24 MB buffer: about 6000 page faults, as
    // long as the fetch itself). Once per buffer; false when memory is short.
    // Holder of the write turn only; runs outside the lock.
    bool Prepare(int buffer);
    // Ends a write turn: the buffer now holds a width x height image and
    // becomes the newest, with sequence.
    void Publish(int buffer, int width, int height, LONG sequence);
    // Ends a write turn without an image: the buffer is free again.
    void Abandon(int buffer);

    // A read turn on the newest image (an empty Read before the first).
    Read BeginRead();
    // Ends a read turn BeginRead gave (an empty Read's ends nothing).
    void EndRead(const Read& read);

private:
    struct Buffer {
        std::unique_ptr<unsigned char[]> pixels; // kLargestImageBytes once reserved
        int width = 0;
        int height = 0;
        LONG sequence = 0;
        uint64_t serial = 0;
        int readers = 0;
        bool writing = false;
        bool black = false; // published by PublishBlack: its pixels are not the image
        bool prepared = false; // every page of pixels written once (Prepare)
    };

    Buffer m_Buffers[kBuffers];
    int m_Newest = kNone;
    uint64_t m_LastSerial = 0;
};

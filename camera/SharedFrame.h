// SharedFrame: a converted or scaled frame made once for every reader of a
// controller that asks for the same image in the same layout (a filter's
// two pins connected with one format), so that the image is converted once
// and each reader copies the frame, rather than each converting it anew.
//
// Turns, as in ImageRing: the frame is either being made (by the one holder
// of the make turn, into the buffer, outside the lock), ready (any number of
// readers copy it, outside the lock), or neither. A make turn is given only
// while nobody copies, so the bytes a reader copies never change under it.
// A reader that finds another image or layout being made or copied makes
// its own frame alone, as if nothing were shared.
//
// Threading: not synchronised itself. Every member except Reserve and Bytes
// is called with the controller's m_Lock held; the buffer is written by the
// holder of the make turn only and read by holders of a copy turn only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "camera/FrameWindow.h"

class SharedFrame {
public:
    // What a reader is to do for an image in a layout.
    enum class Turn {
        Copy,  // the frame is ready: copy it (a copy turn; EndCopy after)
        Wait,  // another reader is making it: wait, then ask again
        Make,  // make it into Reserve's buffer (a make turn; EndMake after)
        Alone, // make the frame alone, into the reader's own destination
    };

    SharedFrame() = default;
    SharedFrame(const SharedFrame&) = delete;
    SharedFrame& operator=(const SharedFrame&) = delete;

    // The turn of reader (any token that tells readers apart) for the image
    // published with serial (ImageRing::Read) in layout. Remembers the
    // layout each reader asked for last: only while another reader asks for
    // the same one is a frame made to be shared (Alone otherwise, and for
    // readers beyond the few it keeps track of).
    Turn Take(const void* reader, uint64_t serial, const FrameLayout& layout);
    // The reader reads no more: its layout is forgotten.
    void Forget(const void* reader);
    // The make turn's buffer, at least bytes long (allocated once, grown when
    // a larger layout comes, kept until the controller goes); null when
    // memory is short. Holder of the make turn only; runs outside the lock.
    unsigned char* Reserve(size_t bytes);
    // Ends the make turn. When made, the frame is ready and its maker holds a
    // copy turn from here (EndCopy after), so that no other make turn can
    // overwrite it before the maker has copied it; else nobody copies it
    // (the waiters make their own).
    void EndMake(bool made);
    // The ready frame's bytes, for the holders of a copy turn.
    const unsigned char* Bytes() const { return m_Bytes.get(); }
    // Ends a copy turn.
    void EndCopy();

private:
    // Whether a reader other than reader last asked for layout; records
    // reader's layout. False when no slot is left for reader.
    bool NoteAndFindPeer(const void* reader, const FrameLayout& layout);

    struct ReaderLayout {
        const void* reader = nullptr;
        FrameLayout layout;
    };
    static constexpr int kReaders = 4;
    ReaderLayout m_ReaderLayouts[kReaders];

    std::unique_ptr<unsigned char[]> m_Bytes;
    size_t m_Capacity = 0;
    uint64_t m_Serial = 0; // the image of the frame made or being made; 0: none
    FrameLayout m_Layout;
    bool m_Making = false;
    bool m_Ready = false;
    int m_Copiers = 0;
};

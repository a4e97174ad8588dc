#include "camera/SharedFrame.h"

#include <new>

bool SharedFrame::NoteAndFindPeer(const void* reader, const FrameLayout& layout)
{
    ReaderLayout* own = nullptr;
    ReaderLayout* free = nullptr;
    bool peer = false;
    for (ReaderLayout& slot : m_ReaderLayouts) {
        if (slot.reader == reader) {
            own = &slot;
        } else if (!slot.reader) {
            free = free ? free : &slot;
        } else if (slot.layout.SameAs(layout)) {
            peer = true;
        }
    }
    own = own ? own : free;
    if (!own) {
        return false;
    }
    own->reader = reader;
    own->layout = layout;
    return peer;
}

void SharedFrame::Forget(const void* reader)
{
    for (ReaderLayout& slot : m_ReaderLayouts) {
        if (slot.reader == reader) {
            slot = ReaderLayout();
        }
    }
}

SharedFrame::Turn SharedFrame::Take(const void* reader, uint64_t serial, const FrameLayout& layout)
{
    if (!NoteAndFindPeer(reader, layout)) {
        return Turn::Alone;
    }
    if (serial != 0 && serial == m_Serial && layout.SameAs(m_Layout)) {
        if (m_Ready) {
            ++m_Copiers;
            return Turn::Copy;
        }
        if (m_Making) {
            return Turn::Wait;
        }
        return Turn::Alone; // its making failed
    }
    if (serial == 0 || m_Making || m_Copiers > 0) {
        return Turn::Alone;
    }
    m_Serial = serial;
    m_Layout = layout;
    m_Ready = false;
    m_Making = true;
    return Turn::Make;
}

unsigned char* SharedFrame::Reserve(size_t bytes)
{
    if (bytes > m_Capacity) {
        m_Bytes.reset(new (std::nothrow) unsigned char[bytes]);
        m_Capacity = m_Bytes ? bytes : 0;
    }
    return m_Bytes.get();
}

void SharedFrame::EndMake(bool made)
{
    m_Making = false;
    m_Ready = made;
    if (made) {
        ++m_Copiers;
    }
}

void SharedFrame::EndCopy()
{
    --m_Copiers;
}

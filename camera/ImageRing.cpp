#include "camera/ImageRing.h"

#include <new>

#include "camera/ImageLimits.h"
#include "camera/MemoryPages.h"

bool ImageRing::PublishBlack(int width, int height, LONG sequence)
{
    if (!ImageFitsLargestBuffer(width, height)) {
        return false;
    }
    const int buffer = BeginWrite();
    if (buffer == kNone) {
        return false;
    }
    Publish(buffer, width, height, sequence);
    m_Buffers[buffer].black = true;
    return true;
}

int ImageRing::BeginWrite()
{
    for (int i = 0; i < kBuffers; ++i) {
        Buffer& candidate = m_Buffers[i];
        if (i != m_Newest && candidate.readers == 0 && !candidate.writing) {
            candidate.writing = true;
            return i;
        }
    }
    return kNone;
}

unsigned char* ImageRing::Reserve(int buffer, int width, int height)
{
    // The SDK's fetch may write a larger image than the size asked (see
    // ImageLimits.h): every buffer holds the largest, allocated once.
    if (!ImageFitsLargestBuffer(width, height)) {
        return nullptr;
    }
    Buffer& target = m_Buffers[buffer];
    if (!target.pixels) {
        // Not cleared: every image is written whole before it is published
        // (fetched, or made black), and only its own bytes are ever read.
        target.pixels.reset(new (std::nothrow) unsigned char[kLargestImageBytes]);
        if (!target.pixels) {
            return nullptr;
        }
    }
    return target.pixels.get();
}

bool ImageRing::Prepare(int buffer)
{
    Buffer& target = m_Buffers[buffer];
    if (target.prepared) {
        return true;
    }
    unsigned char* const pixels = Reserve(buffer, 1, 1);
    if (!pixels) {
        return false;
    }
    // The bytes are not an image yet (nothing is published from here).
    TouchEveryPage(pixels, kLargestImageBytes);
    target.prepared = true;
    return true;
}

void ImageRing::Publish(int buffer, int width, int height, LONG sequence)
{
    Buffer& target = m_Buffers[buffer];
    target.writing = false;
    target.width = width;
    target.height = height;
    target.sequence = sequence;
    target.serial = ++m_LastSerial;
    target.black = false;
    m_Newest = buffer;
}

void ImageRing::Abandon(int buffer)
{
    m_Buffers[buffer].writing = false;
}

ImageRing::Read ImageRing::BeginRead()
{
    Read read;
    if (m_Newest == kNone) {
        return read;
    }
    Buffer& newest = m_Buffers[m_Newest];
    ++newest.readers;
    read.buffer = m_Newest;
    read.pixels = newest.black ? nullptr : newest.pixels.get();
    read.width = newest.width;
    read.height = newest.height;
    read.sequence = newest.sequence;
    read.serial = newest.serial;
    return read;
}

void ImageRing::EndRead(const Read& read)
{
    if (read.buffer != kNone) {
        --m_Buffers[read.buffer].readers;
    }
}

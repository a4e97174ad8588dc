#include "camera/ImageRing.h"

#include <climits>
#include <cstring>
#include <new>

bool ImageRing::PublishBlack(int width, int height, LONG sequence)
{
    const int buffer = BeginWrite();
    if (buffer == kNone) {
        return false;
    }
    unsigned char* pixels = Reserve(buffer, width, height);
    if (!pixels) {
        Abandon(buffer);
        return false;
    }
    std::memset(pixels, 0, static_cast<size_t>(width) * height * 3);
    Publish(buffer, width, height, sequence);
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
    // Sizes are handed out as 32-bit byte counts.
    if (width <= 0 || height <= 0 || static_cast<unsigned long long>(width) * height * 3 > INT_MAX) {
        return nullptr;
    }
    Buffer& target = m_Buffers[buffer];
    const size_t bytes = static_cast<size_t>(width) * height * 3;
    if (!target.pixels || bytes > target.capacity) {
        std::unique_ptr<unsigned char[]> grown(new (std::nothrow) unsigned char[bytes]());
        if (!grown) {
            return nullptr;
        }
        target.pixels = std::move(grown);
        target.capacity = bytes;
    }
    return target.pixels.get();
}

void ImageRing::Publish(int buffer, int width, int height, LONG sequence)
{
    Buffer& target = m_Buffers[buffer];
    target.writing = false;
    target.width = width;
    target.height = height;
    target.sequence = sequence;
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
    read.pixels = newest.pixels.get();
    read.width = newest.width;
    read.height = newest.height;
    read.sequence = newest.sequence;
    return read;
}

void ImageRing::EndRead(const Read& read)
{
    if (read.buffer != kNone) {
        --m_Buffers[read.buffer].readers;
    }
}

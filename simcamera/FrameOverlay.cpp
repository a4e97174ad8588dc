#include "simcamera/FrameOverlay.h"

#include <cstring>

#include "simcamera/Scene.h"
#include "simcamera/SimControl.h"

void DrawMarker(uint8_t* image, int width, int height, uint32_t sequence, bool hMirror, bool vMirror)
{
    scene::Rect marker = scene::MarkerRect(width, height, sequence);
    if (hMirror) {
        marker.left = width - marker.left - marker.width;
    }
    if (vMirror) {
        marker.top = height - marker.top - marker.height;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int row = marker.top; row < marker.top + marker.height; ++row) {
        const int memoryRow = height - 1 - row;
        std::memset(image + memoryRow * rowBytes + static_cast<size_t>(marker.left) * 3, 0xFF,
                    static_cast<size_t>(marker.width) * 3);
    }
}

void WriteStamp(uint8_t* image, int width, int height, uint32_t sequence, uint64_t qpc)
{
    SimStamp stamp = {};
    std::memcpy(stamp.magic, "LUMO", 4);
    stamp.sequence = sequence;
    stamp.qpc = qpc;
    // The platform is little-endian, so the record's bytes are the stamp's.
    std::memcpy(image + SimStampOffset(width, height), &stamp, sizeof(stamp));
}

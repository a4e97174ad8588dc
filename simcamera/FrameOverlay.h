// What a fetch adds to its copy of the cached picture: the moving marker of
// the frame, then the stamp (SimControl.h), written last so that no picture
// effect touches it.
#pragma once

#include <stdint.h>

// Draws the marker for the frame's sequence number (Scene.h), mirrored as the
// picture is, into a bottom-up 24-bit image.
void DrawMarker(uint8_t* image, int width, int height, uint32_t sequence, bool hMirror, bool vMirror);

// Writes the 48-byte stamp at SimStampOffset(width, height). The image must be
// at least 16 pixels wide.
void WriteStamp(uint8_t* image, int width, int height, uint32_t sequence, uint64_t qpc);

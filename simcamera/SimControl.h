// Test-only control interface of the simulated camera (ZorvikSDK.dll).
//
// Tests and the benchmark call these exports to inject faults, read the
// journal of SDK calls and read the frame counters. The driver never calls
// them. All are safe to call from any thread.
#pragma once

#include <windows.h>
#include <stdint.h>

extern "C" {

enum SimFault {
    SimFaultCameraInit = 1,      // CameraInit returns 0
    SimFaultCameraPlay = 2,      // CameraPlay returns 0
    SimFaultImageSize = 3,       // CameraGetImageSize returns 0
    SimFaultUnplugged = 4,       // no frames are produced, as if the cable were pulled
};

struct SimCounters {
    LONG produced; // frames the sensor finished (while playing)
    LONG posted;   // WM_CAMERA_FRAME messages posted
    LONG fetched;  // CameraGetImageDataRGB24 calls
    LONG skipped;  // frames produced while a posted one was still unfetched
};

// Turns a fault on (active != 0) or off.
void __stdcall SimSetFault(int fault, int active);
// Overrides the image size reported and delivered for every resolution;
// width or height 0 restores the built-in sizes. Takes effect at the next CameraInit.
void __stdcall SimSetImageSize(int width, int height);
// Copies the journal as text, one call per line: "Name(arg,arg,...)\n", numbers
// in decimal, in call order. CameraGetImageDataRGB24 is counted, not journaled.
// Writes at most capacity bytes including the terminating NUL and returns the
// number of bytes the whole journal needs (including the NUL).
int __stdcall SimReadJournal(char* buffer, int capacity);
void __stdcall SimClearJournal(void);
void __stdcall SimGetCounters(SimCounters* counters);
void __stdcall SimResetCounters(void);
// Restores the power-on state: default settings, no faults, no size override,
// empty journal, zero counters. Stops and uninitialises the camera first if needed.
void __stdcall SimReset(void);

} // extern "C"

// The stamp the simulated camera writes into every image it hands out: 48
// bytes at the centre of the buffer, after all picture effects.
struct SimStamp {
    char magic[4];      // "LUMO"
    uint32_t sequence;  // frame sequence number, 1 for the first frame after CameraInit
    uint64_t qpc;       // QueryPerformanceCounter when the frame was produced
    uint8_t zero[32];
};
static_assert(sizeof(SimStamp) == 48, "stamp is 16 pixels of 3 bytes");

// Byte offset of the stamp in an image of the given size (memory row height/2,
// whatever the row order).
inline size_t SimStampOffset(int width, int height)
{
    return (static_cast<size_t>(height / 2) * width + width / 2 - 8) * 3;
}

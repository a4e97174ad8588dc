// Test-only control interface of the simulated camera (ZorvikSDK.dll).
//
// Tests and the benchmark call these exports to inject faults, read the
// journal of SDK calls and read the frame counters. The driver never calls
// them. All are safe to call from any thread.
//
// How the simulated camera answers the SDK calls of camera/CameraSdk.h:
//
// - Sizes: resolution 0 gives 3264 x 2448, 1 and 2 give 3032 x 2016 (binned,
//   brighter), any other value behaves as 0; SimSetImageSize overrides both.
// - Images: B, G, R bytes, rows bottom-up (the first row in memory is the
//   bottom of the picture), no padding. Colour bars fill the top 3/8, then a
//   dark track along which a white marker moves one step per frame (just
//   above the middle, inside every window a frame is cut or scaled from), a
//   neutral grey band, and a grey ramp (dark at the left) to the bottom.
// - Frames: from CameraPlay to CameraStop/CameraUnInit a frame is produced
//   every 33 ms (frame speed 1) or 66 ms (2; any other value counts as 1), or
//   every exposure time when auto exposure is off and the exposure time is
//   longer. Each is announced by PostMessage(notifyWindow, 1125, 0, 0), one at
//   a time: while an announced frame is unfetched, no message is posted and
//   the frame counts as skipped. After each frame the callback given to
//   CameraInit, if any, is called on the producer thread with the frame's
//   sequence number (no lock held). CameraGetImageDataRGB24 copies the newest
//   frame (sequence 0 and QPC 0 in the stamp before the first one).
// - Settings are kept for the life of the process, whatever the state, and a
//   Get returns the last Set; switches count any non-zero value as on.
//   CameraGetMirror journals its axis. CameraSetAWBState(1) sets the red and
//   blue gains at once; CameraSetAWBState(0) and CameraRestartLongExposure(0)
//   do nothing; both return 1.
// - Calls in the wrong state never crash; they return:
//     CameraInit while initialised   1: stops, then opens a new session with the
//                                    new arguments (stopped, sequence from 1)
//     CameraPlay before CameraInit   0;  while playing: 1, nothing changes
//     CameraStop before CameraInit   0;  initialised but stopped: 1
//     CameraUnInit when not open     0;  while playing: stops first, 1
//     CameraGetImageSize when not open, CameraGetImageDataRGB24 when not open,
//     a null pointer to any Get or fetch, an unknown mirror axis:
//                                    0, nothing written
// - Faults: SimFaultCameraInit makes CameraInit return 0 and leave the camera
//   as it was; SimFaultCameraPlay makes CameraPlay return 0 (not playing);
//   SimFaultImageSize makes CameraGetImageSize return 0 and write nothing;
//   SimFaultUnplugged produces no frames while active (Init, Play and fetches
//   still succeed).
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
    LONG fetched;  // CameraGetImageDataRGB24 calls that delivered an image
    LONG skipped;  // frames produced while a posted one was still unfetched
};

// Turns a fault on (active != 0) or off.
void __stdcall SimSetFault(int fault, int active);
// Overrides the image size reported and delivered for every resolution;
// width or height 0 (or below) restores the built-in sizes. Sizes are kept
// within 16..8192 x 2..8192. Takes effect at the next CameraInit.
void __stdcall SimSetImageSize(int width, int height);
// The same override, taken while the camera is open, as a device whose
// read-out size changes between frames: the next frame produced once the last
// announced one has been fetched has the new size, and from then on
// CameraGetImageSize reports it and CameraGetImageDataRGB24 writes it. So a
// reader that asks the size when a frame is announced and then fetches it
// always gets an image of the size it was told.
void __stdcall SimChangeImageSize(int width, int height);
// The same override, taken while the camera is open at the worst moment for a
// reader: right after the next CameraGetImageSize has reported the size in
// effect, so the CameraGetImageDataRGB24 that follows writes an image of the
// new size. A device may change its read-out size between those two calls;
// this makes it happen on purpose. While the camera is closed it is taken at
// the next CameraInit, as SimSetImageSize.
void __stdcall SimChangeImageSizeAfterNextQuery(int width, int height);
// hold != 0: every image shows the marker at its first step (the left end of
// the track), whatever its sequence number, so that two images differ only
// in their stamps; 0 lets it move again. Kept until SimReset.
void __stdcall SimHoldMarker(int hold);
// Copies the journal as text, one call per line: "Name(arg,arg,...)\n", numbers
// in decimal, in call order. CameraGetImageDataRGB24 is counted, not journaled.
// Input arguments only: Get calls show none (CameraGetGamma()), except the
// mirror axis (CameraGetMirror(1)); the callback and windows show as 1 when
// given, else 0 (CameraInit(1,0,1,1)). The newest 4096 lines are kept.
// Writes at most capacity bytes including the terminating NUL and returns the
// number of bytes the whole journal needs (including the NUL).
int __stdcall SimReadJournal(char* buffer, int capacity);
void __stdcall SimClearJournal(void);
void __stdcall SimGetCounters(SimCounters* counters);
void __stdcall SimResetCounters(void);
// Restores the power-on state: default settings, no faults, no size override,
// a moving marker, empty journal, zero counters. Stops and uninitialises the camera first if needed.
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

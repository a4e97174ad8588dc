// The copy routine of the frame path: frame-sized copies (a camera image into
// a sample, a window's rows out of an image) go through CopyFrameBytes.
//
// Both routines copy bytes from source to destination; the ranges must not
// overlap. Neither keeps state nor takes a lock: any thread may call them.
#pragma once

#include <stddef.h>

// The frame path's copy: StreamingCopy for large copies (whole frames and
// images, where the benchmark measured it faster than memcpy on both
// architectures), memcpy for small ones such as single rows (see
// FrameCopy.cpp for the figures).
void CopyFrameBytes(void* destination, const void* source, size_t bytes);

// A non-temporal copy: the destination is written with streaming stores that
// go to memory without first reading the destination's lines into the cache
// and without evicting what the cache holds. Plain copies cover the bytes
// before the destination's first 16-byte boundary and the last few; a store
// fence at the end makes the streamed bytes visible to other threads in
// order, as a plain copy's are. Falls back to memcpy on a processor without
// SSE2.
void StreamingCopy(void* destination, const void* source, size_t bytes);

// The physical floor of the frame path: how long one copy of a frame takes on
// this machine, now, with the platform's memcpy or another copy routine.
// Copies are timed one by one, many times, and the median kept, so that a
// moment of contention on the shared cores does not set the floor.
#pragma once

#include <cstddef>

// A copy routine with memcpy's arguments (destination, source, bytes).
using CopyRoutine = void (*)(void* destination, const void* source, size_t bytes);

// The platform's memcpy as a CopyRoutine.
void PlatformMemcpy(void* destination, const void* source, size_t bytes);

// Median milliseconds of one copy of bytes with copy (default: the
// platform's memcpy). With two buffers every copy goes from the first to the
// second (the hot floor: what a cache keeps of two frames helps). With more
// (an even number; an odd one is rounded down), the copies go round pairs of
// them, so that the memory touched is buffers x bytes: with 8 frame buffers a
// footprint like the frame path's, whose copies find nothing of their frames
// in the cache (the floor the targets use). 0 when the buffers cannot be had
// (buffers below 2, copies below 1, or not enough memory) or copy is null.
// The buffers are given back to the system before returning.
double MedianCopyMs(size_t bytes, int buffers, int copies, CopyRoutine copy = PlatformMemcpy);

// The sample buffers' part of a graph's Pause, timed from outside: a new
// memory allocator of the platform's, with the properties a pin's allocator
// was given when it connected, committed (what each pin's Pause does), then
// every buffer written once (the first touch of its pages, which the
// system zero-fills: the pin's first fills pay that, not the Pause).
//
// Threading: any thread with COM initialised.
#pragma once

#include <dshow.h>

struct AllocatorTimes {
    double commitMs = 0;
    double firstTouchMs = 0;
};

// False when the allocator's properties cannot be read or a new one cannot
// be made, committed or give its buffers.
bool TimeAllocatorCommit(IMemAllocator* connected, AllocatorTimes* times);

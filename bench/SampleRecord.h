// What the measuring sink notes about one delivered sample.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>

struct SampleRecord {
    int64_t receivedQpc = 0;  // QueryPerformanceCounter when the sample reached the sink
    bool stamped = false;     // carries a camera stamp ("LUMO", sequence > 0)
    uint32_t sequence = 0;    // the camera frame's sequence number (stamped only)
    int64_t producedQpc = 0;  // QueryPerformanceCounter when the camera produced it
    bool hasTimes = false;    // the sample carries a start and end time
    REFERENCE_TIME start = 0; // its times (100-ns units), when it has them
    REFERENCE_TIME end = 0;
    bool hasClockTime = false; // the graph has a clock, read at arrival
    REFERENCE_TIME clockTime = 0;
    DWORD threadId = 0;       // the thread that delivered it (the pin's worker)
    const void* buffer = nullptr; // the sample's data pointer
    // When the camera controller learned of the frame the sample carries
    // (QueryPerformanceCounter, FrameReader::LastDeliveredOnThisThread); 0
    // when unknown.
    int64_t arrivalQpc = 0;
};

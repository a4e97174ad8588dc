// Writes one uncompressed video stream as an AVI file in the OpenDML layout,
// so that captures larger than the classic format's limits stay readable:
// the first "RIFF AVI " part carries the headers and a classic index
// ("idx1"), further data goes into "RIFF AVIX" parts of at most 1 GB, every
// part's frames are listed in a standard index ("ix00") that the stream's
// super index ("indx") points to.
//
// The frame interval recorded in the file is decided when it is finished,
// from the number of frames and the capture's duration, so that the file
// lasts as long as the capture did.
//
// Threading: not locked; one thread at a time (the caller hands it over).
// Ownership: owns the file handle; a writer destroyed without Finish closes
// the file as it is.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/UniqueHandle.h"

class AviWriter {
public:
    // Parts end before they would pass partLimit bytes (1 GB, the size every
    // reader of the format accepts; smaller in tests).
    explicit AviWriter(ULONGLONG partLimit = 1ull << 30) : partLimit(partLimit) {}
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates (or replaces) the file for frames of the given format (an
    // uncompressed DIB header) and writes room for the headers.
    HRESULT Create(const std::wstring& path, const BITMAPINFOHEADER& format);
    // Appends one frame, as it is (DIB rows). After a failure every further
    // call fails with the first failure's result.
    HRESULT AddFrame(const BYTE* data, DWORD bytes);
    // Writes the indexes and the final headers, with the frame interval that
    // makes the file last `seconds` (or 30 frames per second without frames
    // or duration), and closes the file. The first failure of the whole
    // writing, or S_OK.
    HRESULT Finish(double seconds);

    DWORD Frames() const { return totalFrames; }

private:
    struct Entry {
        ULONGLONG dataPosition;
        DWORD size;
    };
    struct Part {
        ULONGLONG riffPosition;
        ULONGLONG moviPosition;  // the movi list's header
        std::vector<Entry> entries;
        ULONGLONG indexPosition = 0;
        DWORD indexBytes = 0;     // the whole "ix00" chunk
    };

    HRESULT StartPart(bool first);
    HRESULT EndPart(Part& part, bool first);
    HRESULT WriteHeaders(DWORD microsecondsPerFrame);
    HRESULT Write(const void* data, DWORD bytes);
    HRESULT WriteAt(ULONGLONG position, const void* data, DWORD bytes);
    HRESULT Fail(HRESULT hr);

    const ULONGLONG partLimit;
    win::UniqueHandle file;
    HRESULT failure = S_OK;
    ULONGLONG position = 0;       // where the next write goes
    BITMAPINFOHEADER format = {};
    std::vector<Part> parts;
    DWORD totalFrames = 0;
    DWORD largestFrame = 0;
};

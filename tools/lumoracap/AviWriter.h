// Writes one uncompressed video stream as an AVI file in the OpenDML layout,
// so that captures larger than the classic format's limits stay readable:
// the first "RIFF AVI " part carries the headers and a classic index
// ("idx1"), further data goes into "RIFF AVIX" parts of at most 1 GB, every
// part's frames are listed in a standard index ("ix00") written when the
// part ends, and the stream's super index ("indx") points to those.
//
// The super index has room for every part the file's volume can hold (its
// free space when the file is created), so no capture ends for want of
// index room before the disk is full. Only the open part's entries are kept
// in memory.
//
// A write that fails (a full disk) ends the writing, but not the file:
// Finish cuts the file back to the last whole frame and writes the indexes
// and headers for the frames before it, dropping more frames from the end
// when the indexes do not fit otherwise. Complete() tells whether it did.
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

#include <functional>
#include <string>
#include <vector>

#include "win/UniqueHandle.h"

class AviWriter {
public:
    // How the writer reaches the disk. Tests stand in a full or slow disk.
    struct Storage {
        // Writes bytes at the file's current position; S_OK only when all
        // of them were written.
        std::function<HRESULT(HANDLE file, const void* data, DWORD bytes)> write;
        // The bytes the file at path may grow to on its volume.
        std::function<ULONGLONG(const std::wstring& path)> room;
    };
    // The disk itself, through WriteFile and the volume's free space.
    static Storage Disk();
    // The storage of writers made without one (the disk, until replaced).
    // Replaced only while no writer is made, by tests that run a whole
    // command on a full or slow disk.
    static void SetDefaultStorage(Storage storage);

    // Parts end before they would pass partLimit bytes (1 GB, the size every
    // reader of the format accepts; smaller in tests).
    explicit AviWriter(ULONGLONG partLimit = 1ull << 30);
    AviWriter(ULONGLONG partLimit, Storage storage);
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
    // or duration), and closes the file. After a failed write the file ends
    // with the last whole frame that fits with its indexes. Returns the first
    // failure of the whole writing, or S_OK.
    HRESULT Finish(double seconds);

    // The frames in the file (after Finish: the frames it keeps).
    DWORD Frames() const { return totalFrames; }
    // Finish wrote the indexes and headers and closed the file: it is a
    // readable AVI file with Frames() frames, even after a failed write.
    bool Complete() const { return complete; }

private:
    struct Entry {
        ULONGLONG dataPosition;
        DWORD size;
    };
    struct Part {
        ULONGLONG riffPosition;
        ULONGLONG moviPosition;  // the movi list's header
        DWORD frames = 0;        // once ended
        bool ended = false;
        ULONGLONG indexPosition = 0;
        DWORD indexBytes = 0;    // the whole "ix00" chunk
    };

    HRESULT StartPart(bool first);
    HRESULT EndPart();
    HRESULT WriteHeaders(DWORD microsecondsPerFrame);
    HRESULT FinishAfterFailure(DWORD microsecondsPerFrame);
    HRESULT Write(const void* data, DWORD bytes);
    HRESULT WriteAt(ULONGLONG position, const void* data, DWORD bytes);
    HRESULT Truncate(ULONGLONG at);
    HRESULT Fail(HRESULT hr);

    const ULONGLONG partLimit;
    const Storage storage;
    win::UniqueHandle file;
    HRESULT failure = S_OK;
    ULONGLONG position = 0;       // where the next write goes
    ULONGLONG committed = 0;      // the end of the last whole frame or ended part
    BITMAPINFOHEADER format = {};
    DWORD superIndexEntries = 0;  // the room in the super index
    std::vector<Part> parts;
    std::vector<Entry> entries;   // the frames of the open (last) part
    DWORD totalFrames = 0;
    DWORD largestFrame = 0;
    bool complete = false;
};

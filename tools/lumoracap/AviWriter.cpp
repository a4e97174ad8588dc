#include "tools/lumoracap/AviWriter.h"

#include <aviriff.h>

#include <cmath>
#include <cstddef>
#include <utility>

#include "win/HResult.h"

namespace {

constexpr DWORD FourCC(const char (&text)[5])
{
    return static_cast<DWORD>(static_cast<BYTE>(text[0])) | static_cast<DWORD>(static_cast<BYTE>(text[1])) << 8 |
           static_cast<DWORD>(static_cast<BYTE>(text[2])) << 16 | static_cast<DWORD>(static_cast<BYTE>(text[3])) << 24;
}

const DWORD kVideoChunk = FourCC("00db"); // stream 0, uncompressed video

const DWORD kDefaultMicrosecondsPerFrame = 33333;

// The super index's room: at least what the platform's header declares (the
// layout of every file before room was sized by the disk), at most 2^20
// parts (256 TB of 1 GB parts), which bounds the header at 16 MB.
const DWORD kMinimumSuperIndexEntries = sizeof(AVISUPERINDEX::aIndex) / sizeof(AVISUPERINDEX::aIndex[0]);
const ULONGLONG kMaximumSuperIndexEntries = 1ull << 20;
const DWORD kSuperIndexHeaderBytes = offsetof(AVISUPERINDEX, aIndex);
const DWORD kStdIndexHeaderBytes = offsetof(AVISTDINDEX, aIndex);

// The header list: main header, the stream's list (header, format, super
// index with room for entries) and the OpenDML extension; its size never
// changes once the file is created.
DWORD HeaderListBytes(DWORD superIndexEntries)
{
    return sizeof(RIFFLIST) + sizeof(AVIMAINHEADER) + sizeof(RIFFLIST) + sizeof(AVISTREAMHEADER) + sizeof(RIFFCHUNK) +
           sizeof(BITMAPINFOHEADER) + kSuperIndexHeaderBytes +
           superIndexEntries * sizeof(AVISUPERINDEX::_avisuperindex_entry) + sizeof(RIFFLIST) + sizeof(AVIEXTHEADER);
}

HRESULT WriteToFile(HANDLE file, const void* data, DWORD bytes)
{
    DWORD written = 0;
    if (!WriteFile(file, data, bytes, &written, nullptr)) {
        return win::LastErrorResult();
    }
    return written == bytes ? S_OK : HRESULT_FROM_WIN32(ERROR_DISK_FULL);
}

ULONGLONG FreeSpaceFor(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash + 1);
    ULARGE_INTEGER available = {};
    return GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) ? available.QuadPart : 0;
}

// The storage of writers made without one. Written only by tests while no
// writer is being made, so it needs no lock.
AviWriter::Storage& DefaultStorage()
{
    static AviWriter::Storage storage = AviWriter::Disk();
    return storage;
}

// Appends plain structures to a byte block.
class Block {
public:
    template <typename T>
    void Add(const T& value)
    {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
        data.insert(data.end(), bytes, bytes + sizeof(T));
    }
    void AddBytes(const void* bytes, size_t count)
    {
        data.insert(data.end(), static_cast<const BYTE*>(bytes), static_cast<const BYTE*>(bytes) + count);
    }
    const BYTE* Data() const { return data.data(); }
    DWORD Size() const { return static_cast<DWORD>(data.size()); }

private:
    std::vector<BYTE> data;
};

RIFFLIST List(const char (&type)[5], DWORD contentBytes)
{
    RIFFLIST list;
    list.fcc = FourCC("LIST");
    list.cb = contentBytes + 4;
    list.fccListType = FourCC(type);
    return list;
}

} // namespace

AviWriter::Storage AviWriter::Disk()
{
    return Storage{&WriteToFile, &FreeSpaceFor};
}

void AviWriter::SetDefaultStorage(Storage replacement)
{
    DefaultStorage() = std::move(replacement);
}

AviWriter::AviWriter(ULONGLONG partLimit) : AviWriter(partLimit, DefaultStorage()) {}

AviWriter::AviWriter(ULONGLONG partLimit, Storage storage) : partLimit(partLimit), storage(std::move(storage)) {}

HRESULT AviWriter::Fail(HRESULT hr)
{
    if (SUCCEEDED(failure)) {
        failure = hr;
    }
    return failure;
}

HRESULT AviWriter::Write(const void* data, DWORD bytes)
{
    const HRESULT hr = storage.write(file.Get(), data, bytes);
    if (FAILED(hr)) {
        return Fail(hr);
    }
    position += bytes;
    return S_OK;
}

HRESULT AviWriter::WriteAt(ULONGLONG at, const void* data, DWORD bytes)
{
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(at);
    if (!SetFilePointerEx(file.Get(), target, nullptr, FILE_BEGIN)) {
        return Fail(win::LastErrorResult());
    }
    const HRESULT hr = storage.write(file.Get(), data, bytes);
    if (FAILED(hr)) {
        return Fail(hr);
    }
    target.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file.Get(), target, nullptr, FILE_BEGIN) ? S_OK : Fail(win::LastErrorResult());
}

// Cuts the file at `at`, which is where the next write goes.
HRESULT AviWriter::Truncate(ULONGLONG at)
{
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(at);
    if (!SetFilePointerEx(file.Get(), target, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get())) {
        return Fail(win::LastErrorResult());
    }
    position = at;
    return S_OK;
}

HRESULT AviWriter::Create(const std::wstring& path, const BITMAPINFOHEADER& frameFormat)
{
    if (file) {
        return E_UNEXPECTED;
    }
    // Every part but the last holds more than a quarter of the part limit
    // (a part ends only when the next frame would pass it), so this many
    // parts fill the volume.
    const ULONGLONG quarter = partLimit / 4 ? partLimit / 4 : 1;
    const ULONGLONG wanted = storage.room(path) / quarter + 2;
    superIndexEntries = static_cast<DWORD>(wanted < kMinimumSuperIndexEntries ? kMinimumSuperIndexEntries
                                           : wanted > kMaximumSuperIndexEntries ? kMaximumSuperIndexEntries
                                                                               : wanted);
    file.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    if (!file) {
        return Fail(win::LastErrorResult());
    }
    format = frameFormat;
    return StartPart(true);
}

HRESULT AviWriter::StartPart(bool first)
{
    if (parts.size() >= superIndexEntries) {
        return Fail(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
    }
    Part part;
    part.riffPosition = position;
    const RIFFLIST riff = {FourCC("RIFF"), 0, FourCC(first ? "AVI " : "AVIX")}; // sizes are written when the part ends
    RETURN_IF_FAILED(Write(&riff, sizeof(riff)));
    if (first) {
        RETURN_IF_FAILED(WriteHeaders(kDefaultMicrosecondsPerFrame));
    }
    part.moviPosition = position;
    const RIFFLIST movi = List("movi", 0);
    RETURN_IF_FAILED(Write(&movi, sizeof(movi)));
    parts.push_back(part);
    committed = position;
    return S_OK;
}

HRESULT AviWriter::AddFrame(const BYTE* data, DWORD bytes)
{
    if (!file || FAILED(failure)) {
        return FAILED(failure) ? failure : E_UNEXPECTED;
    }
    const DWORD padding = bytes & 1;
    // Room for this frame and for the part's indexes with its entry.
    const ULONGLONG indexes = kStdIndexHeaderBytes + (entries.size() + 1) * (sizeof(AVISTDINDEX_ENTRY) + 16);
    if (!entries.empty() &&
        position + sizeof(RIFFCHUNK) + bytes + padding + indexes - parts.back().riffPosition > partLimit) {
        RETURN_IF_FAILED(EndPart());
        RETURN_IF_FAILED(StartPart(false));
    }
    const RIFFCHUNK chunk = {kVideoChunk, bytes};
    RETURN_IF_FAILED(Write(&chunk, sizeof(chunk)));
    const ULONGLONG dataPosition = position;
    RETURN_IF_FAILED(Write(data, bytes));
    if (padding) {
        const BYTE zero = 0;
        RETURN_IF_FAILED(Write(&zero, 1));
    }
    entries.push_back({dataPosition, bytes});
    committed = position;
    ++totalFrames;
    largestFrame = bytes > largestFrame ? bytes : largestFrame;
    return S_OK;
}

// Ends the open part after its last frame: its standard index, the sizes of
// its lists and, for the first part, the classic index. The part's entries
// are let go once they are on disk.
HRESULT AviWriter::EndPart()
{
    Part& part = parts.back();
    const bool first = parts.size() == 1;
    const DWORD count = static_cast<DWORD>(entries.size());
    AVISTDINDEX header = {};
    header.fcc = FourCC("ix00");
    header.cb = kStdIndexHeaderBytes - sizeof(RIFFCHUNK) + count * sizeof(AVISTDINDEX_ENTRY);
    header.wLongsPerEntry = 2;
    header.bIndexSubType = 0;
    header.bIndexType = AVI_INDEX_OF_CHUNKS;
    header.nEntriesInUse = count;
    header.dwChunkId = kVideoChunk;
    header.qwBaseOffset = part.riffPosition;
    Block index;
    index.AddBytes(&header, kStdIndexHeaderBytes);
    for (const Entry& entry : entries) {
        const AVISTDINDEX_ENTRY item = {static_cast<DWORD>(entry.dataPosition - part.riffPosition), entry.size};
        index.Add(item); // every frame is a key frame
    }
    const ULONGLONG indexPosition = position;
    RETURN_IF_FAILED(Write(index.Data(), index.Size()));

    const DWORD moviBytes = static_cast<DWORD>(position - (part.moviPosition + sizeof(RIFFCHUNK)));
    RETURN_IF_FAILED(WriteAt(part.moviPosition + offsetof(RIFFCHUNK, cb), &moviBytes, sizeof(moviBytes)));
    // The classic index of the first part, for readers without OpenDML:
    // offsets from the movi list's type, pointing at each chunk's header.
    if (first) {
        Block classic;
        const RIFFCHUNK idx1 = {FourCC("idx1"), count * static_cast<DWORD>(sizeof(AVIOLDINDEX::_avioldindex_entry))};
        classic.Add(idx1);
        const ULONGLONG moviType = part.moviPosition + sizeof(RIFFCHUNK);
        for (const Entry& entry : entries) {
            const AVIOLDINDEX::_avioldindex_entry item = {
                kVideoChunk, AVIIF_KEYFRAME,
                static_cast<DWORD>(entry.dataPosition - sizeof(RIFFCHUNK) - moviType), entry.size};
            classic.Add(item);
        }
        RETURN_IF_FAILED(Write(classic.Data(), classic.Size()));
    }
    const DWORD riffBytes = static_cast<DWORD>(position - (part.riffPosition + sizeof(RIFFCHUNK)));
    RETURN_IF_FAILED(WriteAt(part.riffPosition + offsetof(RIFFCHUNK, cb), &riffBytes, sizeof(riffBytes)));
    part.ended = true;
    part.frames = count;
    part.indexPosition = indexPosition;
    part.indexBytes = index.Size();
    entries.clear();
    committed = position;
    return S_OK;
}

HRESULT AviWriter::WriteHeaders(DWORD microsecondsPerFrame)
{
    const DWORD firstPartFrames = parts.empty() ? 0 : parts.front().ended ? parts.front().frames
                                                                          : static_cast<DWORD>(entries.size());
    const DWORD width = static_cast<DWORD>(format.biWidth);
    const DWORD height = static_cast<DWORD>(format.biHeight < 0 ? -format.biHeight : format.biHeight);
    const DWORD frameBytes = largestFrame ? largestFrame : format.biSizeImage;
    const DWORD superIndexBytes =
        kSuperIndexHeaderBytes + superIndexEntries * sizeof(AVISUPERINDEX::_avisuperindex_entry);

    Block block;
    block.Add(List("hdrl", HeaderListBytes(superIndexEntries) - sizeof(RIFFLIST)));

    AVIMAINHEADER main = {};
    main.fcc = FourCC("avih");
    main.cb = sizeof(main) - sizeof(RIFFCHUNK);
    main.dwMicroSecPerFrame = microsecondsPerFrame;
    const double bytesPerSecond = static_cast<double>(frameBytes) * 1e6 / microsecondsPerFrame;
    main.dwMaxBytesPerSec = bytesPerSecond > 4294967295.0 ? 0xFFFFFFFFu : static_cast<DWORD>(bytesPerSecond);
    main.dwFlags = AVIF_HASINDEX;
    main.dwTotalFrames = firstPartFrames; // OpenDML: the first part's; the whole count is in "dmlh"
    main.dwStreams = 1;
    main.dwSuggestedBufferSize = frameBytes + sizeof(RIFFCHUNK);
    main.dwWidth = width;
    main.dwHeight = height;
    block.Add(main);

    block.Add(List("strl", sizeof(AVISTREAMHEADER) + sizeof(RIFFCHUNK) + sizeof(BITMAPINFOHEADER) + superIndexBytes));
    AVISTREAMHEADER stream = {};
    stream.fcc = FourCC("strh");
    stream.cb = sizeof(stream) - sizeof(RIFFCHUNK);
    stream.fccType = FourCC("vids");
    stream.dwScale = microsecondsPerFrame;
    stream.dwRate = 1000000;
    stream.dwLength = totalFrames;
    stream.dwSuggestedBufferSize = frameBytes;
    stream.dwQuality = 0xFFFFFFFFu;
    stream.rcFrame.right = static_cast<short>(width);
    stream.rcFrame.bottom = static_cast<short>(height);
    block.Add(stream);

    const RIFFCHUNK strf = {FourCC("strf"), sizeof(BITMAPINFOHEADER)};
    block.Add(strf);
    BITMAPINFOHEADER frameFormat = format;
    frameFormat.biSizeImage = frameBytes;
    block.Add(frameFormat);

    // The super index: its header, an entry per ended part, then zeros up
    // to its room.
    AVISUPERINDEX super = {};
    super.fcc = FourCC("indx");
    super.cb = superIndexBytes - sizeof(RIFFCHUNK);
    super.wLongsPerEntry = 4;
    super.bIndexSubType = 0;
    super.bIndexType = AVI_INDEX_OF_INDEXES;
    super.dwChunkId = kVideoChunk;
    for (const Part& part : parts) {
        super.nEntriesInUse += part.ended ? 1 : 0;
    }
    block.AddBytes(&super, kSuperIndexHeaderBytes);
    for (const Part& part : parts) {
        if (part.ended) {
            const AVISUPERINDEX::_avisuperindex_entry entry = {part.indexPosition, part.indexBytes, part.frames};
            block.Add(entry);
        }
    }
    const AVISUPERINDEX::_avisuperindex_entry unused = {};
    for (DWORD i = super.nEntriesInUse; i < superIndexEntries; ++i) {
        block.Add(unused);
    }

    block.Add(List("odml", sizeof(AVIEXTHEADER)));
    AVIEXTHEADER extension = {};
    extension.fcc = FourCC("dmlh");
    extension.cb = sizeof(extension) - sizeof(RIFFCHUNK);
    extension.dwGrandFrames = totalFrames;
    block.Add(extension);

    // At its place after "RIFF" size "AVI " when the file already has it.
    const ULONGLONG at = sizeof(RIFFLIST);
    return position > at ? WriteAt(at, block.Data(), block.Size()) : Write(block.Data(), block.Size());
}

// After a failed write: the file is cut back to the last whole frame (or
// ended part) and the open part ended there. When its indexes do not fit
// (the disk is still full), the last frame goes too and the part is ended
// again; a part left without frames goes entirely, unless it is the first.
HRESULT AviWriter::FinishAfterFailure(DWORD microsecondsPerFrame)
{
    for (;;) {
        RETURN_IF_FAILED(Truncate(committed));
        if (parts.empty()) {
            return failure; // not even the headers were written
        }
        Part& last = parts.back();
        if (!last.ended && entries.empty() && parts.size() > 1) {
            committed = last.riffPosition;
            parts.pop_back();
            continue;
        }
        if (last.ended || SUCCEEDED(EndPart())) {
            return WriteHeaders(microsecondsPerFrame);
        }
        if (entries.empty()) {
            return failure;
        }
        committed = entries.back().dataPosition - sizeof(RIFFCHUNK);
        entries.pop_back();
        --totalFrames;
    }
}

HRESULT AviWriter::Finish(double seconds)
{
    if (!file) {
        return FAILED(failure) ? failure : E_UNEXPECTED;
    }
    DWORD microsecondsPerFrame = kDefaultMicrosecondsPerFrame;
    const DWORD framesAtStart = totalFrames;
    if (framesAtStart > 0 && seconds > 0) {
        const double interval = seconds * 1e6 / framesAtStart;
        microsecondsPerFrame = interval < 1 ? 1 : static_cast<DWORD>(std::lround(interval));
    }
    HRESULT written = S_OK;
    if (SUCCEEDED(failure)) {
        written = EndPart();
        if (SUCCEEDED(written)) {
            written = WriteHeaders(microsecondsPerFrame);
        }
    }
    if (FAILED(failure)) {
        written = FinishAfterFailure(microsecondsPerFrame);
    }
    // On the disk before the file is closed (and then moved over the
    // output): a rename does not write the data, so after a power cut the
    // capture that replaced the old one could be empty. Closed here, not by
    // the owner: a failed flush or close means the last writes may not have
    // reached the file.
    const bool flushed = FlushFileBuffers(file.Get()) != FALSE;
    if (!flushed) {
        Fail(win::LastErrorResult());
    }
    const bool closed = CloseHandle(file.Release()) != FALSE;
    if (!closed) {
        Fail(win::LastErrorResult());
    }
    complete = SUCCEEDED(written) && flushed && closed;
    return failure;
}

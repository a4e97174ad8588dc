#include "tools/lumoracap/AviWriter.h"

#include <aviriff.h>

#include <cmath>
#include <cstddef>
#include <memory>

#include "win/HResult.h"

namespace {

constexpr DWORD FourCC(const char (&text)[5])
{
    return static_cast<DWORD>(static_cast<BYTE>(text[0])) | static_cast<DWORD>(static_cast<BYTE>(text[1])) << 8 |
           static_cast<DWORD>(static_cast<BYTE>(text[2])) << 16 | static_cast<DWORD>(static_cast<BYTE>(text[3])) << 24;
}

const DWORD kVideoChunk = FourCC("00db"); // stream 0, uncompressed video

const DWORD kDefaultMicrosecondsPerFrame = 33333;

// The header list: main header, the stream's list (header, format, super
// index) and the OpenDML extension; its size never changes.
const DWORD kHeaderListBytes = sizeof(RIFFLIST) + sizeof(AVIMAINHEADER) + sizeof(RIFFLIST) + sizeof(AVISTREAMHEADER) +
                               sizeof(RIFFCHUNK) + sizeof(BITMAPINFOHEADER) + sizeof(AVISUPERINDEX) +
                               sizeof(RIFFLIST) + sizeof(AVIEXTHEADER);
const DWORD kSuperIndexEntries = sizeof(AVISUPERINDEX::aIndex) / sizeof(AVISUPERINDEX::aIndex[0]);
const DWORD kStdIndexHeaderBytes = offsetof(AVISTDINDEX, aIndex);

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

HRESULT AviWriter::Fail(HRESULT hr)
{
    if (SUCCEEDED(failure)) {
        failure = hr;
    }
    return failure;
}

HRESULT AviWriter::Write(const void* data, DWORD bytes)
{
    DWORD written = 0;
    if (!WriteFile(file.Get(), data, bytes, &written, nullptr) || written != bytes) {
        return Fail(win::LastErrorResult());
    }
    position += bytes;
    return S_OK;
}

HRESULT AviWriter::WriteAt(ULONGLONG at, const void* data, DWORD bytes)
{
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(at);
    DWORD written = 0;
    if (!SetFilePointerEx(file.Get(), target, nullptr, FILE_BEGIN) ||
        !WriteFile(file.Get(), data, bytes, &written, nullptr) || written != bytes) {
        return Fail(win::LastErrorResult());
    }
    target.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(file.Get(), target, nullptr, FILE_BEGIN) ? S_OK : Fail(win::LastErrorResult());
}

HRESULT AviWriter::Create(const std::wstring& path, const BITMAPINFOHEADER& frameFormat)
{
    if (file) {
        return E_UNEXPECTED;
    }
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
    if (parts.size() >= kSuperIndexEntries) {
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
    return S_OK;
}

HRESULT AviWriter::AddFrame(const BYTE* data, DWORD bytes)
{
    if (!file || FAILED(failure)) {
        return FAILED(failure) ? failure : E_UNEXPECTED;
    }
    const DWORD padding = bytes & 1;
    Part* part = &parts.back();
    // Room for this frame and for the part's indexes with its entry.
    const ULONGLONG indexes = kStdIndexHeaderBytes + (part->entries.size() + 1) * (sizeof(AVISTDINDEX_ENTRY) + 16);
    if (!part->entries.empty() &&
        position + sizeof(RIFFCHUNK) + bytes + padding + indexes - part->riffPosition > partLimit) {
        RETURN_IF_FAILED(EndPart(*part, parts.size() == 1));
        RETURN_IF_FAILED(StartPart(false));
        part = &parts.back();
    }
    const RIFFCHUNK chunk = {kVideoChunk, bytes};
    RETURN_IF_FAILED(Write(&chunk, sizeof(chunk)));
    const ULONGLONG dataPosition = position;
    RETURN_IF_FAILED(Write(data, bytes));
    if (padding) {
        const BYTE zero = 0;
        RETURN_IF_FAILED(Write(&zero, 1));
    }
    part->entries.push_back({dataPosition, bytes});
    ++totalFrames;
    largestFrame = bytes > largestFrame ? bytes : largestFrame;
    return S_OK;
}

HRESULT AviWriter::EndPart(Part& part, bool first)
{
    // The part's standard index, last in its movi list.
    const DWORD count = static_cast<DWORD>(part.entries.size());
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
    for (const Entry& entry : part.entries) {
        const AVISTDINDEX_ENTRY item = {static_cast<DWORD>(entry.dataPosition - part.riffPosition), entry.size};
        index.Add(item); // every frame is a key frame
    }
    part.indexPosition = position;
    part.indexBytes = index.Size();
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
        for (const Entry& entry : part.entries) {
            const AVIOLDINDEX::_avioldindex_entry item = {
                kVideoChunk, AVIIF_KEYFRAME,
                static_cast<DWORD>(entry.dataPosition - sizeof(RIFFCHUNK) - moviType), entry.size};
            classic.Add(item);
        }
        RETURN_IF_FAILED(Write(classic.Data(), classic.Size()));
    }
    const DWORD riffBytes = static_cast<DWORD>(position - (part.riffPosition + sizeof(RIFFCHUNK)));
    return WriteAt(part.riffPosition + offsetof(RIFFCHUNK, cb), &riffBytes, sizeof(riffBytes));
}

HRESULT AviWriter::WriteHeaders(DWORD microsecondsPerFrame)
{
    const DWORD firstPartFrames = parts.empty() ? 0 : static_cast<DWORD>(parts.front().entries.size());
    const DWORD width = static_cast<DWORD>(format.biWidth);
    const DWORD height = static_cast<DWORD>(format.biHeight < 0 ? -format.biHeight : format.biHeight);
    const DWORD frameBytes = largestFrame ? largestFrame : format.biSizeImage;

    Block block;
    block.Add(List("hdrl", kHeaderListBytes - sizeof(RIFFLIST)));

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

    block.Add(List("strl", sizeof(AVISTREAMHEADER) + sizeof(RIFFCHUNK) + sizeof(BITMAPINFOHEADER) +
                               sizeof(AVISUPERINDEX)));
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

    std::unique_ptr<AVISUPERINDEX> super(new AVISUPERINDEX());
    super->fcc = FourCC("indx");
    super->cb = sizeof(AVISUPERINDEX) - sizeof(RIFFCHUNK);
    super->wLongsPerEntry = 4;
    super->bIndexSubType = 0;
    super->bIndexType = AVI_INDEX_OF_INDEXES;
    super->dwChunkId = kVideoChunk;
    for (const Part& part : parts) {
        if (part.indexBytes) {
            auto& entry = super->aIndex[super->nEntriesInUse++];
            entry.qwOffset = part.indexPosition;
            entry.dwSize = part.indexBytes;
            entry.dwDuration = static_cast<DWORD>(part.entries.size());
        }
    }
    block.Add(*super);

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

HRESULT AviWriter::Finish(double seconds)
{
    if (!file) {
        return FAILED(failure) ? failure : E_UNEXPECTED;
    }
    if (SUCCEEDED(failure)) {
        EndPart(parts.back(), parts.size() == 1);
    }
    DWORD microsecondsPerFrame = kDefaultMicrosecondsPerFrame;
    if (totalFrames > 0 && seconds > 0) {
        const double interval = seconds * 1e6 / totalFrames;
        microsecondsPerFrame = interval < 1 ? 1 : static_cast<DWORD>(std::lround(interval));
    }
    if (SUCCEEDED(failure)) {
        WriteHeaders(microsecondsPerFrame);
    }
    // Closed here, not by the owner: a failed close means the last writes
    // may not have reached the file.
    if (!CloseHandle(file.Release())) {
        Fail(win::LastErrorResult());
    }
    return failure;
}

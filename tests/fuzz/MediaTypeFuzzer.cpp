// mediatype_fuzzer: feeds seeded, reproducible media types to every entry point of the camera pin that takes a
// type from a caller or a peer, in process, on a filter made by CreateCameraFilter:
//
//   setformat    IAMStreamConfig::SetFormat on the unconnected capture pin
//   queryaccept  IPin::QueryAccept on the preview pin
//   connect      IPin::Connect of the capture pin to a fake input pin
//   receive      IPin::ReceiveConnection on the capture pin (an output pin refuses every one) and on a
//                framework input pin that accepts any well-formed video type
//
// Types range from the pin's own format to null and short blocks, huge cbFormat, VIDEOINFOHEADER2, odd, negative
// and overflowing sizes and biSizeImage 0/1/2^31. Each block ends at a no-access page, so a read past cbFormat
// faults at once. Each answer is checked against the fuzzer's own model, and that a refusal changes nothing.
//
//   mediatype_fuzzer [--seed N] [--count N] [--start N] [--entry NAME]
//
// Input i of seed s is the same on every run and machine: rerun with --start i --count 1 to reproduce a finding.
// Exit code 0: no crash and no wrong answer; 1: wrong answers (listed); 2: bad command line; 3: a crash (named).
#include <windows.h>

#include <dshow.h>
#include <dvdmedia.h>
#include <wrl/client.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "filter/CameraFilter.h"
#include "framework/PinBase.h"
#include "framework/VideoType.h"
#include "tests/framework/FakeInputPin.h"
#include "tests/fuzz/FuzzDriver.h"
#include "tests/support/FrameSizes.h"
#include "tests/support/GuardedBuffer.h"
#include "win/ComInitialization.h"

using Microsoft::WRL::ComPtr;

namespace {

// Largest honest block: a "huge" cbFormat next to an 88-byte header.
const ULONG kArenaBytes = 4u << 20;
const LONG kWidth = testenv::kFrameWidth;
const LONG kHeight = testenv::kFrameHeight;
const DWORD kFrameBytes = kWidth * kHeight * 3;

// The one place input blocks live: cbFormat bytes ending at a no-access page.
class GuardedArena {
public:
    bool Ready() const { return m_buffer.Data() != nullptr; }
    BYTE* BlockOf(ULONG size) { return m_buffer.Data() + kArenaBytes - size; }

private:
    testenv::GuardedBuffer m_buffer{kArenaBytes};
};

struct Header {
    size_t bitmapOffset = offsetof(VIDEOINFOHEADER, bmiHeader);
    ULONG headerSize = sizeof(VIDEOINFOHEADER);
    DWORD biSize = sizeof(BITMAPINFOHEADER);
    LONG width = kWidth, height = kHeight;
    WORD bitCount = 24;
    DWORD compression = BI_RGB, imageSize = kFrameBytes;
    REFERENCE_TIME interval = 333333;
};

// What the fuzzer made, in its own terms: the oracle reads these, never the block through the driver's eyes.
struct Input {
    AM_MEDIA_TYPE type = {};
    bool honestBlock = false; // pbFormat holds cbFormat readable bytes
    bool wildcard = false;    // the pin's refuse-three-times wildcard shape
    bool wellFormed = false;  // a valid video type of any size and subtype
    // What SetFormat takes (index 0, no settings file): an RGB24 or RGB32 frame of 3032 x 2016 or the whole
    // 3264 x 2448, naming no rate or one from 333333 to 666666.
    bool settable = false;
    // What the pin delivers as it is set (QueryAccept, Connect): such a frame at 30 per second, or naming no rate.
    bool deliverable = false;
    Header header;
    int bytesPerPixel = 0;
};

template <class T>
T Pick(std::mt19937_64& rng, std::initializer_list<T> choices)
{
    std::uniform_int_distribution<size_t> index(0, choices.size() - 1);
    return *(choices.begin() + index(rng));
}

bool Chance(std::mt19937_64& rng, int percent)
{
    return std::uniform_int_distribution<int>(0, 99)(rng) < percent;
}

GUID RandomGuid(std::mt19937_64& rng)
{
    GUID guid;
    const uint64_t a = rng();
    const uint64_t b = rng();
    std::memcpy(&guid, &a, 8);
    std::memcpy(reinterpret_cast<BYTE*>(&guid) + 8, &b, 8);
    return guid;
}

// Writes value at offset of the block only when the block holds it.
template <class T>
void Put(BYTE* block, ULONG size, size_t offset, T value)
{
    if (block && offset + sizeof(T) <= size) {
        std::memcpy(block + offset, &value, sizeof(T));
    }
}

LONGLONG FrameBytesAt(LONGLONG width, LONGLONG height, LONGLONG bits)
{
    const long double bytes = static_cast<long double>((width * bits + 7) / 8) * height;
    return bytes > LONG_MAX ? -1 : static_cast<LONGLONG>(bytes);
}

bool WellFormed(const AM_MEDIA_TYPE& type, const Header& h, bool knownFormat)
{
    if (!IsEqualGUID(type.majortype, MEDIATYPE_Video) || IsEqualGUID(type.subtype, GUID_NULL) || !knownFormat ||
        !type.pbFormat || type.cbFormat < h.headerSize) {
        return false;
    }
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > type.cbFormat - h.bitmapOffset) {
        return false;
    }
    const LONGLONG height = std::llabs(static_cast<LONGLONG>(h.height));
    if (h.width <= 0 || height == 0 || h.interval < 0) {
        return false;
    }
    const LONGLONG frame = FrameBytesAt(h.width, height, h.bitCount);
    if (frame < 0 || FrameBytesAt(h.width, height, 24) < 0) {
        return false;
    }
    return h.imageSize == 0 || (h.imageSize >= frame && h.imageSize <= LONG_MAX);
}

Input MakeInput(uint64_t seed, uint64_t index, GuardedArena& arena)
{
    std::mt19937_64 rng(seed * 0x9E3779B97F4A7C15ull ^ (index + 1) * 0xBF58476D1CE4E5B9ull);
    Input in;
    AM_MEDIA_TYPE& t = in.type;
    Header h;
    const int mutations = std::uniform_int_distribution<int>(0, 4)(rng);
    auto mutate = [&](int percent) { return mutations > 0 && Chance(rng, percent); };

    t.majortype = MEDIATYPE_Video;
    t.subtype = MEDIASUBTYPE_RGB24;
    t.formattype = FORMAT_VideoInfo;
    t.bFixedSizeSamples = TRUE;
    t.lSampleSize = kFrameBytes;
    if (mutate(15)) {
        t.majortype = Pick<GUID>(rng, {MEDIATYPE_Interleaved, MEDIATYPE_Audio, GUID_NULL, RandomGuid(rng)});
    }
    if (mutate(15)) {
        t.subtype = Pick<GUID>(rng, {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_YUY2, GUID_NULL, RandomGuid(rng)});
    }
    if (mutate(20)) {
        t.formattype = Pick<GUID>(rng, {FORMAT_VideoInfo2, FORMAT_VideoInfo2, GUID_NULL, FORMAT_WaveFormatEx,
                                        RandomGuid(rng)});
    }
    const bool videoInfo2 = IsEqualGUID(t.formattype, FORMAT_VideoInfo2);
    if (videoInfo2) {
        h.bitmapOffset = offsetof(VIDEOINFOHEADER2, bmiHeader);
        h.headerSize = sizeof(VIDEOINFOHEADER2);
    }
    t.cbFormat = h.headerSize;
    if (mutate(30)) {
        t.cbFormat = Pick<ULONG>(rng, {0u, 1u, 40u, 87u, 88u, 89u, 111u, 112u, 113u, 88u + 1024u, 65536u,
                                       kArenaBytes, static_cast<ULONG>(rng() % 4096)});
    }
    if (mutate(15)) {
        h.biSize = Pick<DWORD>(rng, {0u, 39u, 41u, 1000u, 0xFFFFFFFFu,
                                     static_cast<DWORD>(t.cbFormat - h.bitmapOffset),
                                     static_cast<DWORD>(t.cbFormat - h.bitmapOffset + 1)});
    }
    if (mutate(20)) {
        h.width = Pick<LONG>(rng, {0, -1, 1, -kWidth, kWidth + 1, testenv::kFullWidth, 65536, LONG_MAX, LONG_MIN,
                                   static_cast<LONG>(rng())});
    }
    if (mutate(20)) {
        h.height = Pick<LONG>(rng, {0, -1, 1, -kHeight, kHeight - 1, testenv::kFullHeight, 65536, LONG_MAX, LONG_MIN,
                                    static_cast<LONG>(rng())});
    }
    if (mutate(10)) {
        h.bitCount = Pick<WORD>(rng, {0, 1, 8, 16, 32, 0xFFFF});
    }
    if (mutate(10)) {
        h.compression = Pick<DWORD>(rng, {static_cast<DWORD>(BI_BITFIELDS), MAKEFOURCC('M', 'J', 'P', 'G'),
                                          static_cast<DWORD>(rng())});
    }
    if (mutate(25)) {
        h.imageSize = Pick<DWORD>(rng, {0u, 1u, kFrameBytes - 1, kFrameBytes + 1, 0x7FFFFFFFu, 0x80000000u,
                                        0xFFFFFFFFu});
    }
    if (mutate(15)) {
        h.interval = Pick<REFERENCE_TIME>(rng, {0, -1, 200000, 333332, 499999, 500000, 666666, 666667, LLONG_MIN,
                                                LLONG_MAX});
    }
    if (mutate(10)) {
        t.lSampleSize = static_cast<ULONG>(rng());
    }

    // Honest, ending at the guard page; sometimes missing behind a non-zero size, sometimes present behind size 0.
    in.honestBlock = t.cbFormat != 0;
    if (in.honestBlock) {
        t.pbFormat = arena.BlockOf(t.cbFormat);
        const size_t noise = t.cbFormat < 512 ? t.cbFormat : 512;
        for (size_t i = 0; i < noise; ++i) {
            t.pbFormat[i] = static_cast<BYTE>(rng());
        }
        // A valid header over the noise, field by field within the block.
        BYTE* b = t.pbFormat;
        const ULONG n = t.cbFormat;
        const size_t bm = h.bitmapOffset;
        std::memset(b, 0, n < bm ? n : bm);
        Put(b, n, offsetof(VIDEOINFOHEADER, AvgTimePerFrame), h.interval);
        Put(b, n, bm + offsetof(BITMAPINFOHEADER, biSize), h.biSize);
        Put(b, n, bm + offsetof(BITMAPINFOHEADER, biWidth), h.width);
        Put(b, n, bm + offsetof(BITMAPINFOHEADER, biHeight), h.height);
        Put(b, n, bm + offsetof(BITMAPINFOHEADER, biPlanes), static_cast<WORD>(1));
        Put(b, n, bm + offsetof(BITMAPINFOHEADER, biBitCount), h.bitCount);
        Put(b, n, bm + offsetof(BITMAPINFOHEADER, biCompression), h.compression);
        Put(b, n, bm + offsetof(BITMAPINFOHEADER, biSizeImage), h.imageSize);
        for (size_t i = bm + offsetof(BITMAPINFOHEADER, biXPelsPerMeter); i < bm + sizeof(BITMAPINFOHEADER) && i < n;
             ++i) {
            b[i] = 0;
        }
    }
    if (mutations > 0 && Chance(rng, 8)) {
        // A claimed block that is not there.
        t.pbFormat = nullptr;
        in.honestBlock = false;
        if (Chance(rng, 50)) {
            t.cbFormat = Pick<ULONG>(rng, {88u, 0x7FFFFFFFu, 0xFFFFFFFFu});
        }
    } else if (t.cbFormat == 0 && mutations > 0 && Chance(rng, 30)) {
        // A pointer without a size: never a block of the type's.
        t.pbFormat = arena.BlockOf(16);
    }

    const bool knownFormat = IsEqualGUID(t.formattype, FORMAT_VideoInfo) || videoInfo2;
    in.wildcard = (IsEqualGUID(t.majortype, MEDIATYPE_Video) || IsEqualGUID(t.majortype, MEDIATYPE_Interleaved)) &&
                  IsEqualGUID(t.formattype, GUID_NULL) && t.cbFormat == 0;
    in.wellFormed = in.honestBlock && WellFormed(t, h, knownFormat);
    // RGB24 and RGB32 are on the format ladder; the fuzzer's other subtypes never come with a FOURCC header.
    const bool videoInfo = in.wellFormed && IsEqualGUID(t.formattype, FORMAT_VideoInfo) && h.compression == BI_RGB;
    const bool rgb24 = videoInfo && IsEqualGUID(t.subtype, MEDIASUBTYPE_RGB24) && h.bitCount == 24;
    const bool rgb32 = videoInfo && IsEqualGUID(t.subtype, MEDIASUBTYPE_RGB32) && h.bitCount == 32;
    const bool frame = h.width == kWidth && h.height == kHeight;
    const bool fullFrame = h.width == testenv::kFullWidth && h.height == testenv::kFullHeight;
    in.settable = (rgb24 || rgb32) && (frame || fullFrame) &&
                  (h.interval == 0 || (h.interval >= 333333 && h.interval <= 666666));
    in.deliverable = (rgb24 || rgb32) && (frame || fullFrame) &&
                     (h.interval == 0 || (h.interval >= 333333 && h.interval <= 499999));
    in.header = h;
    in.bytesPerPixel = rgb32 ? 4 : 3;
    return in;
}

// A framework input pin that takes any well-formed video type: the receiving side of ReceiveConnection.
class ProbeInputPin : public PinBase {
public:
    explicit ProbeInputPin(SourceFilterBase* filter)
        : PinBase(L"ProbeInputPin", filter, &filter->StateLock(), L"Probe", PINDIR_INPUT)
    {
    }
    FORWARD_IUNKNOWN_TO_OWNER
    HRESULT CheckType(const AM_MEDIA_TYPE* type) override
    {
        return SUCCEEDED(ValidateVideoType(type, nullptr)) ? S_OK : E_INVALIDARG;
    }
    HRESULT GetMediaType(int, MediaTypeRecord*) override { return VFW_S_NO_MORE_ITEMS; }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
};

struct Rig {
    ComPtr<IBaseFilter> filter;
    CameraFilter* object = nullptr;
    CameraOutputPin* capture = nullptr;
    CameraOutputPin* preview = nullptr;
    ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    ProbeInputPin* probe = nullptr;
    // The pin's own type, put back after each accepted SetFormat so that a huge block is not copied for every input.
    MediaTypeRecord entry;
};

struct Tally {
    const char* name;
    void (*tryInput)(Rig& rig, const Input& in, uint64_t index, Tally& tally);
    uint64_t inputs = 0, accepted = 0, wrong = 0;
};

// The entry point and input being tried, for the crash report.
const char* currentEntry = "";
uint64_t currentSeed = 0;
uint64_t currentIndex = 0;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    std::fprintf(stderr, "CRASH: exception 0x%08lX in %s at input %llu of seed %llu (rerun: --seed %llu --start %llu --count 1 --entry %s)\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode), currentEntry,
                 static_cast<unsigned long long>(currentIndex), static_cast<unsigned long long>(currentSeed),
                 static_cast<unsigned long long>(currentSeed), static_cast<unsigned long long>(currentIndex),
                 currentEntry);
    std::fflush(stderr);
    ExitProcess(3);
}

void Wrong(Tally& tally, uint64_t index, const char* what, HRESULT hr)
{
    if (++tally.wrong <= 20) {
        std::printf("WRONG %s input %llu: %s (0x%08lX)\n", tally.name, static_cast<unsigned long long>(index), what,
                    static_cast<unsigned long>(hr));
    }
}

MediaTypeRecord CurrentFormat(CameraOutputPin* pin)
{
    AM_MEDIA_TYPE* type = nullptr;
    MediaTypeRecord copy;
    if (SUCCEEDED(pin->GetFormat(&type)) && type) {
        copy = *type;
        DeleteType(type);
    }
    return copy;
}

// Whether a type is the pin's own type of that subtype and frame at that interval (in a block of the pin's).
bool IsOwnType(const MediaTypeRecord& type, const Input& in, REFERENCE_TIME interval)
{
    if (!IsEqualGUID(type.subtype, in.type.subtype) || !IsEqualGUID(type.formattype, FORMAT_VideoInfo) ||
        type.cbFormat != sizeof(VIDEOINFOHEADER) || !type.pbFormat || type.pbFormat == in.type.pbFormat) {
        return false;
    }
    const VIDEOINFOHEADER* format = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const Header& h = in.header;
    return format->bmiHeader.biWidth == h.width && format->bmiHeader.biHeight == h.height &&
           format->AvgTimePerFrame == interval &&
           type.lSampleSize == static_cast<ULONG>(h.width * h.height * in.bytesPerPixel);
}

void TrySetFormat(Rig& rig, const Input& in, uint64_t index, Tally& tally)
{
    const MediaTypeRecord before = CurrentFormat(rig.capture);
    const int32_t speedBefore = rig.object->FrameSpeed();
    AM_MEDIA_TYPE type = in.type;
    const HRESULT hr = rig.capture->SetFormat(&type);
    const MediaTypeRecord after = CurrentFormat(rig.capture);
    if (hr == S_OK) {
        ++tally.accepted;
        // The nearer of the camera's two rates, or the rate it had.
        const REFERENCE_TIME interval = in.header.interval < 500000 ? 333333 : 666666;
        if (!in.settable) {
            Wrong(tally, index, "took a type the pin does not deliver", hr);
        } else if (!IsOwnType(after, in, interval)) {
            Wrong(tally, index, "did not take its own type of that size and rate", hr);
        }
        if (rig.capture->SetFormat(&rig.entry) != S_OK) {
            Wrong(tally, index, "the pin's own type was refused afterwards", hr);
        }
        return;
    }
    if (in.settable) {
        Wrong(tally, index, "refused a type the pin delivers", hr);
    }
    if (in.wellFormed ? hr != VFW_E_INVALIDMEDIATYPE : (hr != E_POINTER && hr != VFW_E_INVALIDMEDIATYPE)) {
        Wrong(tally, index, "refused with a code other than E_POINTER/VFW_E_INVALIDMEDIATYPE", hr);
    }
    if (!after.SameType(before) || rig.object->FrameSpeed() != speedBefore) {
        Wrong(tally, index, "a refusal changed the current type or the rate", hr);
    }
}

void TryQueryAccept(Rig& rig, const Input& in, uint64_t index, Tally& tally)
{
    const HRESULT hr = rig.preview->QueryAccept(&in.type);
    if (hr == S_OK) {
        ++tally.accepted;
    }
    if (in.wildcard) {
        if (hr != S_OK && hr != S_FALSE) {
            Wrong(tally, index, "answered a wildcard with neither S_OK nor S_FALSE", hr);
        }
        return;
    }
    if (hr != (in.deliverable ? S_OK : S_FALSE)) {
        Wrong(tally, index, in.deliverable ? "refused a type the pin delivers" : "accepted a type it does not deliver",
              hr);
    }
}

void TryConnect(Rig& rig, const Input& in, uint64_t index, Tally& tally)
{
    rig.peer->receivedTypes.clear();
    const bool partial = IsPartial(in.type);
    const HRESULT hr = rig.capture->Pin()->Connect(rig.peer.Get(), &in.type);
    if (SUCCEEDED(hr)) {
        ++tally.accepted;
        AM_MEDIA_TYPE agreed = {};
        if (rig.capture->ConnectionMediaType(&agreed) != S_OK || FAILED(ValidateVideoType(&agreed, nullptr))) {
            Wrong(tally, index, "connected with a type that is not a valid video type", hr);
        }
        FreeTypeContents(&agreed);
        if (!partial && !in.deliverable) {
            Wrong(tally, index, "connected with a type the pin does not deliver", hr);
        }
        rig.capture->Pin()->Disconnect();
        rig.peer->Disconnect();
        rig.peer->notifiedAllocator.Reset();
        return;
    }
    if (!partial && in.deliverable) {
        Wrong(tally, index, "refused a full type the pin delivers", hr);
    }
    if (rig.capture->IsConnected() || rig.peer->connectedTo) {
        Wrong(tally, index, "a refused connection left a pin connected", hr);
    }
}

void TryReceive(Rig& rig, const Input& in, uint64_t index, Tally& tally)
{
    ProbeInputPin& probe = *rig.probe;
    const HRESULT outputAnswer = rig.capture->Pin()->ReceiveConnection(rig.peer.Get(), &in.type);
    if (outputAnswer != VFW_E_INVALID_DIRECTION) {
        Wrong(tally, index, "the output pin did not refuse ReceiveConnection", outputAnswer);
    }
    const HRESULT hr = probe.ReceiveConnection(rig.capture->Pin(), &in.type);
    if (SUCCEEDED(hr)) {
        ++tally.accepted;
        probe.Disconnect();
    }
    if (SUCCEEDED(hr) != in.wellFormed) {
        Wrong(tally, index, in.wellFormed ? "refused a well-formed video type" : "accepted a malformed type", hr);
    }
    if (FAILED(hr) && probe.IsConnected()) {
        Wrong(tally, index, "a refused connection left the pin connected", hr);
    }
}

} // namespace

int main(int argc, char** argv)
{
    fuzz::Options options;
    if (!fuzz::ParseOptions(argc, argv, "mediatype_fuzzer", "setformat|queryaccept|connect|receive", &options)) {
        return 2;
    }
    currentSeed = options.seed;
    SetUnhandledExceptionFilter(ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const win::ComInitialization com(COINIT_MULTITHREADED);

    GuardedArena arena;
    Rig rig;
    HRESULT created = E_FAIL;
    UnknownBase* object = CreateCameraFilter(nullptr, &created);
    if (!arena.Ready() || !object || !rig.peer) {
        std::fprintf(stderr, "set-up failed\n");
        return 1;
    }
    object->InnerQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(rig.filter.GetAddressOf()));
    rig.object = static_cast<CameraFilter*>(object);
    rig.capture = rig.object->CapturePin();
    rig.preview = static_cast<CameraOutputPin*>(rig.object->PinAt(1));
    rig.entry = CurrentFormat(rig.capture);
    bool failed = false;
    {
        ProbeInputPin probe(rig.object);
        rig.probe = &probe;
        Tally tallies[] = {{"setformat", TrySetFormat},
                           {"queryaccept", TryQueryAccept},
                           {"connect", TryConnect},
                           {"receive", TryReceive}};
        for (Tally& tally : tallies) {
            if (!options.entry.empty() && options.entry != tally.name) {
                continue;
            }
            currentEntry = tally.name;
            const auto began = std::chrono::steady_clock::now();
            for (uint64_t index = options.start; index < options.start + options.count; ++index) {
                currentIndex = index;
                tally.tryInput(rig, MakeInput(options.seed, index, arena), index, tally);
                ++tally.inputs;
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
            std::printf("%-12s seed %llu: %llu inputs, %llu accepted, %llu wrong, 0 crashes, %.1f s\n", tally.name,
                        static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(tally.inputs),
                        static_cast<unsigned long long>(tally.accepted), static_cast<unsigned long long>(tally.wrong),
                        seconds);
            failed = failed || tally.wrong != 0;
        }
    }
    rig.peer.Reset();
    rig.filter.Reset();
    return failed ? 1 : 0;
}

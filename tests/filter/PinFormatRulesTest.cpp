// The camera pin's media type rules: the offered types, what CheckType accepts, and buffer sizing.
#include <gtest/gtest.h>

#include <dshow.h>
#include <dvdmedia.h>

#include <cstring>
#include <functional>
#include <vector>

#include "filter/VideoFormats.h"
#include "tests/filter/FilterTestSupport.h"
#include "tests/framework/FakeInputPin.h"
#include "tests/support/FakeAllocator.h"
#include "tests/support/GuardedBuffer.h"
#include "tests/support/VideoTypeKit.h"

using namespace filtertest;

namespace {

class PinFormatRules : public FilterTest {
protected:
    void SetCurrentFormat(CameraOutputPin* pin, MediaTypeRecord type) { ASSERT_EQ(S_OK, pin->SetFormat(&type)); }
    // A copy of entry with another frame interval and image size: delivered, but not the type the pin offers.
    static MediaTypeRecord Reshaped(MediaTypeRecord entry, REFERENCE_TIME interval, DWORD imageSize)
    {
        VideoInfoOf(entry)->AvgTimePerFrame = interval;
        VideoInfoOf(entry)->bmiHeader.biSizeImage = imageSize;
        return entry;
    }

    TestFilter under;
};

TEST_F(PinFormatRules, OffersTheEntryOfTheResolutionIndexAppliedAndMakesItCurrent)
{
    const struct {
        uint8_t resolution;
        int entry;
    } cases[] = {{5, 0}, {1, 1}, {2, 2}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.resolution);
        ASSERT_NO_FATAL_FAILURE(
            ApplySettings(under.filter.Get(), [&](CameraConfig& config) { config.m_Format.m_Resolution = c.resolution; }));
        // Start from a current type the pin would never offer (accepted, it becomes the unconnected pin's type).
        MediaTypeRecord unlike = Reshaped(ListedType(under.capture, 0), 0, 0);
        ASSERT_EQ(S_OK, under.capture->CheckType(&unlike));
        ASSERT_FALSE(CurrentFormat(under.capture).SameType(ListedType(under.capture, c.entry)));

        MediaTypeRecord offered;
        ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &offered));
        EXPECT_TRUE(offered.SameType(ListedType(under.capture, c.entry)));
        EXPECT_EQ(3032, FrameSizeOf(offered).cx);
        EXPECT_EQ(2016, FrameSizeOf(offered).cy);
        EXPECT_TRUE(CurrentFormat(under.capture).SameType(offered));
    }
    MediaTypeRecord unused;
    EXPECT_EQ(E_INVALIDARG, under.capture->GetMediaType(-1, &unused));
}

TEST_F(PinFormatRules, LaterPositionsListTheDeliverableLadderAndEveryEntryIsAccepted)
{
    // At index 0 the whole sensor: every ladder entry but the offered one's frame. At index 1 not the whole image.
    const struct {
        uint8_t resolution;
        size_t listed; // positions from 1
    } cases[] = {{0, 29}, {1, 23}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.resolution));
        StoreResolution(c.resolution);
        TestFilter filter;
        CameraOutputPin* pin = filter.preview;
        MediaTypeRecord offered;
        ASSERT_EQ(S_OK, pin->GetMediaType(0, &offered));
        std::vector<MediaTypeRecord> later;
        for (int position = 1; position < 64; ++position) {
            MediaTypeRecord type;
            const HRESULT hr = pin->GetMediaType(position, &type);
            if (hr == VFW_S_NO_MORE_ITEMS) {
                break;
            }
            ASSERT_EQ(S_OK, hr) << position;
            later.push_back(type);
        }
        ASSERT_EQ(c.listed, later.size());
        EXPECT_TRUE(CurrentFormat(pin).SameType(offered)) << "listing changed the current type";
        for (const MediaTypeRecord& type : later) {
            const SIZE size = FrameSizeOf(type);
            SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
            EXPECT_FALSE(type.SameType(offered));
            EXPECT_FALSE(c.resolution != 0 && size.cx == 3264) << "the whole image, binned";
            EXPECT_EQ(333333, VideoInfoOf(type)->AvgTimePerFrame);
            EXPECT_EQ(VideoInfoOf(type)->bmiHeader.biSizeImage, type.lSampleSize);
            // Each is accepted and becomes this pin's type, not the other's.
            EXPECT_EQ(S_OK, pin->CheckType(&type));
            EXPECT_TRUE(CurrentFormat(pin).SameType(type));
            EXPECT_TRUE(CurrentFormat(filter.capture).SameType(offered));
            MediaTypeRecord slower(type);
            VideoInfoOf(slower)->AvgTimePerFrame = 666666;
            EXPECT_EQ(E_INVALIDARG, pin->CheckType(&slower)) << "not the camera's rate";
        }
        // Enumeration gives the same list.
        ComPtr<IEnumMediaTypes> types;
        ASSERT_EQ(S_OK, pin->EnumMediaTypes(types.GetAddressOf()));
        AM_MEDIA_TYPE* listed[40] = {};
        ULONG fetched = 0;
        EXPECT_EQ(S_FALSE, types->Next(40, listed, &fetched));
        EXPECT_EQ(c.listed + 1, fetched);
        for (ULONG i = 0; i < fetched; ++i) {
            DeleteType(listed[i]);
        }
        // The whole image's entries, offered or not, only at index 0.
        for (int index = 0; index < 35; ++index) {
            MediaTypeRecord entry = ListedType(pin, index);
            if (FrameSizeOf(entry).cx == 3264) {
                EXPECT_EQ(c.resolution == 0 ? S_OK : E_INVALIDARG, pin->CheckType(&entry)) << index;
            }
        }
    }
}

TEST_F(PinFormatRules, OfferedTypeIsUncompressedRgb24OfOneFrame)
{
    MediaTypeRecord offered;
    ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &offered));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, offered.majortype));
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, offered.subtype));
    EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, offered.formattype));
    EXPECT_TRUE(offered.bFixedSizeSamples);
    EXPECT_FALSE(offered.bTemporalCompression);
    EXPECT_EQ(18337536u, offered.lSampleSize);
    ASSERT_EQ(sizeof(VIDEOINFOHEADER), offered.cbFormat);
    const VIDEOINFOHEADER* format = VideoInfoOf(offered);
    EXPECT_EQ(333333, format->AvgTimePerFrame); // the camera's frame interval at "High", its default
    EXPECT_EQ(0xFFFFFFFFu, format->dwBitRate);  // 4.4 x 10^9 bits per second, saturated
    EXPECT_EQ(24, format->bmiHeader.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), format->bmiHeader.biCompression);
    EXPECT_EQ(18337536u, format->bmiHeader.biSizeImage);
}

TEST_F(PinFormatRules, TypeQueriesCallNoCameraFunction)
{
    // Connections query types under the filter's state lock, many times: no settings read or camera asked there.
    StoreResolution(2);
    SimClearJournal();
    for (CameraOutputPin* pin : {under.capture, under.preview}) {
        MediaTypeRecord offered;
        ASSERT_EQ(S_OK, pin->GetMediaType(0, &offered));
        EXPECT_EQ(S_OK, pin->CheckType(&offered));
        EXPECT_EQ(S_OK, pin->QueryAccept(&offered));
        ComPtr<IEnumMediaTypes> types;
        ASSERT_EQ(S_OK, pin->EnumMediaTypes(types.GetAddressOf()));
        AM_MEDIA_TYPE* listed = nullptr;
        ASSERT_EQ(S_OK, types->Next(1, &listed, nullptr));
        DeleteType(listed);
    }
    EXPECT_EQ(std::vector<std::string>{}, JournalLines());
}

TEST_F(PinFormatRules, WildcardQueriesAreRefusedThreeTimesThenAccepted)
{
    MediaTypeRecord entry;
    ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &entry));
    MediaTypeRecord wildcard;
    wildcard.majortype = MEDIATYPE_Video;
    MediaTypeRecord interleaved;
    interleaved.majortype = MEDIATYPE_Interleaved;

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        // Any other type resets the module-wide count, on either pin.
        EXPECT_EQ(S_OK, under.preview->CheckType(&entry));
        EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&wildcard));
        EXPECT_EQ(E_INVALIDARG, under.preview->CheckType(&interleaved));
        EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&wildcard));
        EXPECT_EQ(S_OK, under.capture->CheckType(&wildcard));
        EXPECT_EQ(S_OK, under.capture->CheckType(&interleaved));
        // Acceptance leaves the current type alone.
        EXPECT_TRUE(CurrentFormat(under.capture).SameType(entry));
    }
    EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(nullptr));
}

TEST_F(PinFormatRules, AcceptsDeliverableEntriesAtTheCamerasRateIgnoringImageSizes)
{
    MediaTypeRecord entry;
    ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &entry));

    // No rate named, no image size: the entry all the same.
    MediaTypeRecord loose(entry);
    VideoInfoOf(loose)->AvgTimePerFrame = 0;
    VideoInfoOf(loose)->bmiHeader.biSizeImage = 0;
    loose.lSampleSize = 7;
    ASSERT_EQ(S_OK, under.capture->CheckType(&loose));
    const MediaTypeRecord current = CurrentFormat(under.capture);
    EXPECT_EQ(7u, current.lSampleSize);
    // A rate the camera is not running at (15 per second while at 30).
    MediaTypeRecord slower(entry);
    VideoInfoOf(slower)->AvgTimePerFrame = 666666;
    EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&slower));

    // Another entry the camera delivers (the whole image, at index 0).
    MediaTypeRecord big = ListedType(under.capture, 3);
    EXPECT_EQ(S_OK, under.capture->CheckType(&big));
    MediaTypeRecord otherSubtype(entry);
    otherSubtype.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&otherSubtype));
    MediaTypeRecord otherDepth(entry);
    VideoInfoOf(otherDepth)->bmiHeader.biBitCount = 32;
    EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&otherDepth));
    MediaTypeRecord topDown(entry);
    VideoInfoOf(topDown)->bmiHeader.biHeight = -2016;
    EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&topDown));
}

TEST_F(PinFormatRules, VideoInfoTypesWithAMissingOrShortBlockAreRefused)
{
    MediaTypeRecord entry;
    ASSERT_EQ(S_OK, under.capture->GetMediaType(0, &entry));

    // A block one byte short, at the end of a guarded page: reading past cbFormat would fault.
    const ULONG shortSize = sizeof(VIDEOINFOHEADER) - 1;
    const testenv::GuardedBuffer guarded(shortSize);
    BYTE* block = guarded.Data();
    ASSERT_NE(nullptr, block);
    std::memcpy(block, entry.pbFormat, shortSize);

    AM_MEDIA_TYPE shortType = entry;
    shortType.cbFormat = shortSize;
    shortType.pbFormat = block;
    EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&shortType));
    AM_MEDIA_TYPE noBlock = entry;
    noBlock.cbFormat = sizeof(VIDEOINFOHEADER);
    noBlock.pbFormat = nullptr;
    EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&noBlock));
}

TEST_F(PinFormatRules, SizeBuffersAsksForThreeBuffersAndRefusesOnlyThoseSmallerThanAFrame)
{
    // The capture pin asks for room for the camera's largest image (a direct fill needs it) and takes a frame's
    // worth; the preview pin asks for a frame.
    const struct {
        const char* pin;
        CameraOutputPin* under;
        long asked;
    } pins[] = {{"capture", under.capture, 3264 * 2448 * 3}, {"preview", under.preview, 18337536}};
    for (const auto& pin : pins) {
        SCOPED_TRACE(pin.pin);
        const ComPtr<FakeAllocator> allocator = win::MakeComObject<FakeAllocator>();
        ALLOCATOR_PROPERTIES request = {1, 100, 16, 8};
        ASSERT_EQ(S_OK, pin.under->SizeBuffers(allocator.Get(), &request));
        EXPECT_EQ(3, allocator->asked.cBuffers);
        EXPECT_EQ(pin.asked, allocator->asked.cbBuffer);
        EXPECT_EQ(16, allocator->asked.cbAlign); // alignment and prefix as they came
        EXPECT_EQ(8, allocator->asked.cbPrefix);

        allocator->grantedBufferSize = 18337535;
        EXPECT_EQ(E_FAIL, pin.under->SizeBuffers(allocator.Get(), &request));
        allocator->grantedBufferSize = 18337536;
        EXPECT_EQ(S_OK, pin.under->SizeBuffers(allocator.Get(), &request)) << "a frame will do";
        allocator->grantedBufferSize = -1;
        allocator->grantedBuffers = 1; // fewer buffers will do
        EXPECT_EQ(S_OK, pin.under->SizeBuffers(allocator.Get(), &request));
        allocator->setPropertiesResult = VFW_E_ALREADY_COMMITTED;
        EXPECT_EQ(VFW_E_ALREADY_COMMITTED, pin.under->SizeBuffers(allocator.Get(), &request));
    }
}

TEST_F(PinFormatRules, TheCapturePinAsksForTheLargestImageOnlyForTheCamerasImageUncut)
{
    // Every other entry is converted or scaled into samples of its own size.
    const struct {
        int index; // in the capability list
        long asked;
    } cases[] = {
        {0, 3264 * 2448 * 3},    // RGB24 3032 x 2016: the SDK may fill it
        {3, 3264 * 2448 * 3},    // RGB24, the whole image
        {6, 3032 * 2016 * 4},    // RGB32 3032 x 2016
        {26, 1280 * 720 * 3 / 2}, // NV12 1280 x 720: 1.4 MB, not 18
        {29, 640 * 480 * 3},     // RGB24 640 x 480, scaled
        {34, 640 * 480},         // Y800 640 x 480
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        MediaTypeRecord entry = ListedType(under.capture, c.index);
        ASSERT_EQ(S_OK, under.capture->CheckType(&entry));
        const ComPtr<FakeAllocator> allocator = win::MakeComObject<FakeAllocator>();
        ALLOCATOR_PROPERTIES request = {};
        ASSERT_EQ(S_OK, under.capture->SizeBuffers(allocator.Get(), &request));
        EXPECT_EQ(c.asked, allocator->asked.cbBuffer);
    }
}

TEST_F(PinFormatRules, SizeBuffersFallsBackToFourBytesAPixelWithoutAnImageSize)
{
    // A peer's type without an image size, accepted as the current type.
    MediaTypeRecord sizeless = Reshaped(ListedType(under.preview, 0), 333333, 0);
    ASSERT_EQ(S_OK, under.preview->CheckType(&sizeless));

    const ComPtr<FakeAllocator> allocator = win::MakeComObject<FakeAllocator>();
    ALLOCATOR_PROPERTIES request = {};
    ASSERT_EQ(S_OK, under.preview->SizeBuffers(allocator.Get(), &request));
    EXPECT_EQ(kFrameWidth * kFrameHeight * 4, allocator->asked.cbBuffer);
    EXPECT_EQ(static_cast<ULONG>(kFrameWidth * kFrameHeight * 4), CurrentFormat(under.preview).lSampleSize);

    // A current type without a video header (a peer's wildcard type taken after three refusals) is not read: that
    // attempt fails at sizing and the pin's own type connects instead.
    MediaTypeRecord entry = ListedType(under.preview, 0);
    ASSERT_EQ(S_OK, under.preview->CheckType(&entry)); // restarts the refusal count
    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    MediaTypeRecord wildcard;
    wildcard.majortype = MEDIATYPE_Video;
    peer->offeredTypes.assign(4, wildcard);
    ASSERT_EQ(S_OK, under.preview->Connect(peer.Get(), nullptr));
    ASSERT_EQ(2u, peer->receivedTypes.size()); // the fourth wildcard, then the entry
    EXPECT_TRUE(peer->receivedTypes[0].SameType(wildcard));
    EXPECT_TRUE(peer->receivedTypes[1].SameType(entry));
    EXPECT_EQ(S_OK, under.preview->Disconnect());
}

// The entry's frame behind a VIDEOINFOHEADER2: well-formed, not delivered.
MediaTypeRecord AsVideoInfo2(const MediaTypeRecord& entry)
{
    VIDEOINFOHEADER2 header = {};
    header.AvgTimePerFrame = VideoInfoOf(entry)->AvgTimePerFrame;
    header.bmiHeader = VideoInfoOf(entry)->bmiHeader;
    AM_MEDIA_TYPE type = entry;
    type.formattype = FORMAT_VideoInfo2;
    type.cbFormat = sizeof(header);
    type.pbFormat = reinterpret_cast<BYTE*>(&header);
    return MediaTypeRecord(type);
}

TEST_F(PinFormatRules, TypesThePinDoesNotDeliverAreRefusedAtEveryEntryAndChangeNothing)
{
    const MediaTypeRecord entry = ListedType(under.capture, 0);
    testenv::TestVideoType small(testenv::kRgb24Facts, 800, 600); // a size neither the camera nor the ladder has
    static BYTE strayBytes[sizeof(VIDEOINFOHEADER)] = {};
    using Change = std::function<void(MediaTypeRecord&)>;
    const auto rate = [](REFERENCE_TIME interval) {
        return [interval](MediaTypeRecord& t) { VideoInfoOf(t)->AvgTimePerFrame = interval; };
    };
    const struct {
        const char* name;
        Change change;
        HRESULT setFormat;
    } cases[] = {
        {"800 x 600", [&](MediaTypeRecord& t) { t = *small.Type(); }, VFW_E_INVALIDMEDIATYPE},
        {"top-down", [](MediaTypeRecord& t) { VideoInfoOf(t)->bmiHeader.biHeight *= -1; }, VFW_E_INVALIDMEDIATYPE},
        {"RGB32", [](MediaTypeRecord& t) { t.subtype = MEDIASUBTYPE_RGB32; }, VFW_E_INVALIDMEDIATYPE},
        {"16-bit", [](MediaTypeRecord& t) { t.subtype = MEDIASUBTYPE_RGB565, VideoInfoOf(t)->bmiHeader.biBitCount = 16; },
         VFW_E_INVALIDMEDIATYPE},
        {"VIDEOINFOHEADER2", [](MediaTypeRecord& t) { t = AsVideoInfo2(t); }, VFW_E_INVALIDMEDIATYPE},
        {"50 per second", rate(200000), VFW_E_INVALIDMEDIATYPE},
        {"just faster than 30 per second", rate(333332), VFW_E_INVALIDMEDIATYPE},
        {"just slower than 15 per second", rate(666667), VFW_E_INVALIDMEDIATYPE},
        {"one in 5 s", rate(50000000), VFW_E_INVALIDMEDIATYPE},
        {"a negative interval", rate(-666666), VFW_E_INVALIDMEDIATYPE},
        {"cbFormat 88, no block",
         [](MediaTypeRecord& t) { CoTaskMemFree(t.pbFormat), t.pbFormat = nullptr; }, E_POINTER},
        {"a block without a size",
         [](MediaTypeRecord& t) { FreeTypeContents(&t), t.formattype = FORMAT_VideoInfo, t.pbFormat = strayBytes; },
         VFW_E_INVALIDMEDIATYPE},
        {"biSizeImage 1", [](MediaTypeRecord& t) { VideoInfoOf(t)->bmiHeader.biSizeImage = 1; },
         VFW_E_INVALIDMEDIATYPE},
        {"biSize 0", [](MediaTypeRecord& t) { VideoInfoOf(t)->bmiHeader.biSize = 0; }, VFW_E_INVALIDMEDIATYPE},
        {"width 0", [](MediaTypeRecord& t) { VideoInfoOf(t)->bmiHeader.biWidth = 0; }, VFW_E_INVALIDMEDIATYPE},
    };
    const ComPtr<FakeInputPin> peer = win::MakeComObject<FakeInputPin>();
    // Chosen at 15 per second: the settings file holds that rate.
    SetCurrentFormat(under.capture, Reshaped(entry, 666666, 0));
    const MediaTypeRecord before = CurrentFormat(under.capture);
    const std::string file = SettingsFileBytes();
    SimClearJournal();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MediaTypeRecord type(before);
        c.change(type);
        EXPECT_EQ(c.setFormat, under.capture->SetFormat(&type));
        EXPECT_EQ(E_INVALIDARG, under.capture->CheckType(&type));
        EXPECT_EQ(S_FALSE, under.capture->QueryAccept(&type));
        const HRESULT connect = under.capture->Connect(peer.Get(), &type);
        EXPECT_EQ(c.setFormat == E_POINTER ? E_POINTER : VFW_E_TYPE_NOT_ACCEPTED, connect);
        EXPECT_FALSE(under.capture->IsConnected());
        EXPECT_TRUE(CurrentFormat(under.capture).SameType(before));
        EXPECT_EQ(std::vector<std::string>{}, CameraSettingChanges()) << "the camera was changed";
        EXPECT_EQ(file, SettingsFileBytes());
        EXPECT_EQ(2, under.object->FrameSpeed());
        if (type.pbFormat == strayBytes) {
            type.pbFormat = nullptr; // never the record's to free
        }
    }
    EXPECT_TRUE(peer->receivedTypes.empty());
}

} // namespace

// Validation of video types from callers and peers: the refusals and their codes; nothing past cbFormat is read.
#include <gtest/gtest.h>

#include <dshow.h>
#include <dvdmedia.h>

#include <climits>
#include <cstring>
#include <functional>

#include "framework/VideoType.h"
#include "tests/support/GuardedBuffer.h"

namespace {

const LONG kWidth = 640;
const LONG kHeight = 480;
const DWORD kFrame = kWidth * kHeight * 3;

// A 640 x 480 RGB24 type whose VIDEOINFOHEADER(2) sits at the end of a guarded block of blockSize bytes.
struct TypeUnderTest {
    explicit TypeUnderTest(bool second = false, ULONG blockSize = 0)
        : headerSize(second ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER)),
          bitmapOffset(second ? offsetof(VIDEOINFOHEADER2, bmiHeader) : offsetof(VIDEOINFOHEADER, bmiHeader)),
          block(blockSize ? blockSize : headerSize)
    {
        type.majortype = MEDIATYPE_Video;
        type.subtype = MEDIASUBTYPE_RGB24;
        type.formattype = second ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
        type.cbFormat = blockSize ? blockSize : headerSize;
        type.pbFormat = block.Data();
        std::memset(type.pbFormat, 0, type.cbFormat < headerSize ? type.cbFormat : headerSize);
        if (type.cbFormat >= headerSize) {
            BITMAPINFOHEADER& b = Bitmap();
            b.biSize = sizeof(BITMAPINFOHEADER);
            b.biWidth = kWidth;
            b.biHeight = kHeight;
            b.biPlanes = 1;
            b.biBitCount = 24;
            b.biSizeImage = kFrame;
        }
    }
    BITMAPINFOHEADER& Bitmap() { return *reinterpret_cast<BITMAPINFOHEADER*>(type.pbFormat + bitmapOffset); }

    AM_MEDIA_TYPE type = {};
    const ULONG headerSize;
    const size_t bitmapOffset;
    testenv::GuardedBuffer block; // reading one byte past it faults
};

} // namespace

TEST(VideoType, WellFormedTypesOfEitherHeaderGiveTheirView)
{
    for (bool second : {false, true}) {
        SCOPED_TRACE(second);
        TypeUnderTest t(second);
        VideoTypeView view;
        ASSERT_EQ(ValidateVideoType(&t.type, &view), S_OK);
        EXPECT_EQ(view.bitmap, &t.Bitmap());
        EXPECT_EQ(view.frameBytes, kFrame);
        t.Bitmap().biHeight = -kHeight; // top-down is well-formed
        t.Bitmap().biSizeImage = 0;     // and the image size may be left to the frame
        EXPECT_EQ(ValidateVideoType(&t.type, nullptr), S_OK);
    }
}

TEST(VideoType, MalformedTypesAreRefusedWithoutReadingPastTheBlock)
{
    using Change = std::function<void(TypeUnderTest&)>;
    const struct {
        const char* name;
        Change change;
        HRESULT expected;
    } cases[] = {
        {"no block behind a size", [](TypeUnderTest& t) { t.type.pbFormat = nullptr; }, E_POINTER},
        {"no block behind 4 GiB", [](TypeUnderTest& t) { t.type.pbFormat = nullptr, t.type.cbFormat = ULONG_MAX; },
         E_POINTER},
        {"audio", [](TypeUnderTest& t) { t.type.majortype = MEDIATYPE_Audio; }, VFW_E_INVALIDMEDIATYPE},
        {"no subtype", [](TypeUnderTest& t) { t.type.subtype = GUID_NULL; }, VFW_E_INVALIDMEDIATYPE},
        {"no format type", [](TypeUnderTest& t) { t.type.formattype = GUID_NULL; }, VFW_E_INVALIDMEDIATYPE},
        {"wave format", [](TypeUnderTest& t) { t.type.formattype = FORMAT_WaveFormatEx; }, VFW_E_INVALIDMEDIATYPE},
        {"size 0", [](TypeUnderTest& t) { t.type.cbFormat = 0; }, VFW_E_INVALIDMEDIATYPE},
        {"one byte short", [](TypeUnderTest& t) { t.type.cbFormat -= 1, t.type.pbFormat += 1; },
         VFW_E_INVALIDMEDIATYPE},
        {"VIDEOINFOHEADER2 claimed over a VIDEOINFOHEADER",
         [](TypeUnderTest& t) { t.type.formattype = FORMAT_VideoInfo2; }, VFW_E_INVALIDMEDIATYPE},
        {"biSize 0", [](TypeUnderTest& t) { t.Bitmap().biSize = 0; }, VFW_E_INVALIDMEDIATYPE},
        {"biSize past the block", [](TypeUnderTest& t) { t.Bitmap().biSize = 41; }, VFW_E_INVALIDMEDIATYPE},
        {"width 0", [](TypeUnderTest& t) { t.Bitmap().biWidth = 0; }, VFW_E_INVALIDMEDIATYPE},
        {"negative width", [](TypeUnderTest& t) { t.Bitmap().biWidth = -kWidth; }, VFW_E_INVALIDMEDIATYPE},
        {"height 0", [](TypeUnderTest& t) { t.Bitmap().biHeight = 0; }, VFW_E_INVALIDMEDIATYPE},
        {"height LONG_MIN", [](TypeUnderTest& t) { t.Bitmap().biHeight = LONG_MIN; }, VFW_E_INVALIDMEDIATYPE},
        {"width x height x 3 past 2^31",
         [](TypeUnderTest& t) { t.Bitmap().biWidth = 65536, t.Bitmap().biHeight = 16384, t.Bitmap().biSizeImage = 0; },
         VFW_E_INVALIDMEDIATYPE},
        {"32 bits a pixel past 2^31",
         [](TypeUnderTest& t) {
             t.Bitmap().biWidth = 30000, t.Bitmap().biHeight = 20000, t.Bitmap().biBitCount = 32;
             t.Bitmap().biSizeImage = 0;
         },
         VFW_E_INVALIDMEDIATYPE},
        {"biSizeImage 1", [](TypeUnderTest& t) { t.Bitmap().biSizeImage = 1; }, VFW_E_INVALIDMEDIATYPE},
        {"biSizeImage one short", [](TypeUnderTest& t) { t.Bitmap().biSizeImage = kFrame - 1; },
         VFW_E_INVALIDMEDIATYPE},
        {"biSizeImage 2^31", [](TypeUnderTest& t) { t.Bitmap().biSizeImage = 0x80000000u; }, VFW_E_INVALIDMEDIATYPE},
        {"negative frame interval",
         [](TypeUnderTest& t) { reinterpret_cast<VIDEOINFOHEADER*>(t.type.pbFormat)->AvgTimePerFrame = -1; },
         VFW_E_INVALIDMEDIATYPE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TypeUnderTest t;
        c.change(t);
        EXPECT_EQ(ValidateVideoType(&t.type, nullptr), c.expected);
    }
    EXPECT_EQ(ValidateVideoType(nullptr, nullptr), E_POINTER);

    // The block is read no further than its size, whatever its header says.
    TypeUnderTest larger(false, sizeof(VIDEOINFOHEADER) + 100);
    larger.Bitmap().biSize = sizeof(BITMAPINFOHEADER) + 100;
    EXPECT_EQ(ValidateVideoType(&larger.type, nullptr), S_OK);
    larger.Bitmap().biSize += 1;
    EXPECT_EQ(ValidateVideoType(&larger.type, nullptr), VFW_E_INVALIDMEDIATYPE);
}

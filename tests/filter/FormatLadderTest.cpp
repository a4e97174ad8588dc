// The format ladder's tables and the frame a type carries: every entry's
// header and subtype against a client's own definition of its format, and
// which types the pin can write as they are laid out.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "filter/FormatLadder.h"
#include "tests/support/VideoTypeKit.h"

using testenv::FormatSpec;
using testenv::TestVideoType;

namespace {

const FormatSpec* const kSpecs[] = {&testenv::Rgb24Spec(), &testenv::Rgb32Spec(), &testenv::Yuy2Spec(),
                                     &testenv::Nv12Spec(),  &testenv::I420Spec(),  &testenv::Y800Spec()};

const FormatSpec& SpecOf(PixelFormat format)
{
    for (const FormatSpec* spec : kSpecs) {
        if (spec->format == format) {
            return *spec;
        }
    }
    return testenv::Rgb24Spec();
}

} // namespace

TEST(FormatLadder, EveryFormatAtEverySizeOnceWithTheClientsHeaderAndSubtype)
{
    std::set<std::tuple<int, int, int>> seen;
    int wholeImage = 0;
    for (int i = 0; i < kLadderEntryCount; ++i) {
        const LadderEntry entry = LadderEntryAt(i);
        const FormatSpec& spec = SpecOf(entry.format);
        SCOPED_TRACE(testing::Message() << i << ": " << spec.name << " " << entry.width << "x" << entry.height);
        EXPECT_TRUE(seen.insert({static_cast<int>(entry.format), entry.width, entry.height}).second) << "listed twice";
        wholeImage += entry.wholeImage ? 1 : 0;
        EXPECT_EQ(entry.wholeImage, entry.width == 3264 && entry.height == 2448);

        const BITMAPINFOHEADER header = HeaderOf(entry.format, entry.width, entry.height);
        EXPECT_EQ(header.biCompression, spec.compression);
        EXPECT_EQ(header.biBitCount, spec.bitCount);
        EXPECT_EQ(header.biWidth, entry.width);
        EXPECT_EQ(header.biHeight, entry.height) << "positive: RGB bottom-up, YUV and grey top-down by definition";
        EXPECT_EQ(header.biSizeImage, testenv::FrameBytesOf(spec, entry.width, entry.height));
        EXPECT_TRUE(IsEqualGUID(SubtypeOf(entry.format), spec.subtype));

        PixelFormat back = PixelFormat::Rgb24;
        ASSERT_TRUE(FormatOfHeader(header, &back));
        EXPECT_EQ(back, entry.format);
        ASSERT_TRUE(FormatOfSubtype(spec.subtype, &back));
        EXPECT_EQ(back, entry.format);
        EXPECT_EQ(FitForSize(entry.width, entry.height),
                  entry.width >= 3032 ? FrameFit::CentredCut : FrameFit::ScaledWindow);
    }
    EXPECT_EQ(static_cast<size_t>(kLadderEntryCount), seen.size());
    EXPECT_EQ(kLadderFormatCount, wholeImage);
    EXPECT_EQ(LadderEntryAt(kLadderEntryCount).width, 0);
    EXPECT_EQ(LadderEntryAt(-1).width, 0);

    PixelFormat iyuv = PixelFormat::Rgb24;
    EXPECT_TRUE(FormatOfSubtype(testenv::IyuvSpec().subtype, &iyuv));
    EXPECT_EQ(iyuv, PixelFormat::I420);
    EXPECT_FALSE(FormatOfSubtype(MEDIASUBTYPE_RGB565, &iyuv));
}

TEST(FormatLadder, ATypesFrameFollowsItsStrideOrTheTypeIsRefused)
{
    const struct {
        const char* name;
        const FormatSpec& spec;
        int width, height, rowPixels;
        LONG heightSign; // -1: the header's height negative
        size_t stride;   // 0: refused
    } cases[] = {
        {"RGB24, its own rows", testenv::Rgb24Spec(), 640, 480, 0, 1, 1920},
        {"RGB24, a renderer's wider rows", testenv::Rgb24Spec(), 640, 480, 704, 1, 2112},
        {"RGB24 top-down is not delivered", testenv::Rgb24Spec(), 640, 480, 0, -1, 0},
        {"RGB32, wider rows", testenv::Rgb32Spec(), 1280, 720, 1344, 1, 5376},
        {"YUY2", testenv::Yuy2Spec(), 1920, 1080, 0, 1, 3840},
        {"NV12, wider rows", testenv::Nv12Spec(), 1280, 720, 1344, 1, 1344},
        {"NV12 with a negative height: top-down all the same", testenv::Nv12Spec(), 1280, 720, 0, -1, 1280},
        {"IYUV", testenv::IyuvSpec(), 640, 480, 0, 1, 640},
        {"I420 at an odd row: its chroma rows cannot take half", testenv::I420Spec(), 640, 480, 641, 1, 0},
        {"Y800", testenv::Y800Spec(), 3032, 2016, 0, 1, 3032},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestVideoType type(c.spec, c.width, c.height, c.rowPixels);
        type.Info().bmiHeader.biHeight *= c.heightSign;
        const FrameLayout layout = FrameLayoutOfType(*type.Type());
        EXPECT_EQ(layout.stride, c.stride);
        if (c.stride != 0) {
            EXPECT_EQ(layout.format, c.spec.format);
            EXPECT_EQ(layout.width, c.width);
            EXPECT_EQ(layout.height, c.height);
            EXPECT_EQ(layout.Bytes(), static_cast<size_t>(type.Info().bmiHeader.biSizeImage));
            EXPECT_EQ(layout.fit, FitForSize(c.width, c.height));
        }
    }

    // A subtype and a header that disagree, and an image size below the frame.
    TestVideoType mixed(testenv::Nv12Spec(), 1280, 720);
    mixed.Type()->subtype = testenv::I420Spec().subtype;
    EXPECT_TRUE(FrameLayoutOfType(*mixed.Type()).IsEmpty());
    TestVideoType shortImage(testenv::Nv12Spec(), 1280, 720, 1344);
    shortImage.Info().bmiHeader.biSizeImage = 1280 * 720 * 3 / 2;
    EXPECT_TRUE(FrameLayoutOfType(*shortImage.Type()).IsEmpty()) << "the rows at 1344 need more";
    // A rectangle that is not a wider stride is ignored, as it always was.
    TestVideoType offset(testenv::Rgb24Spec(), 640, 480);
    offset.Info().rcTarget = {10, 10, 100, 100};
    EXPECT_EQ(FrameLayoutOfType(*offset.Type()).width, 640);
}

// The format ladder's tables and the frame a type carries: every entry's header and subtype against a client's own
// definition of its format, and which types the pin can write as they are laid out.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "filter/FormatLadder.h"
#include "tests/support/VideoTypeKit.h"

using testenv::FormatFacts;
using testenv::TestVideoType;

namespace {

const FormatFacts* const kFormatFacts[] = {&testenv::kRgb24Facts, &testenv::kRgb32Facts, &testenv::kYuy2Facts,
                                     &testenv::kNv12Facts,  &testenv::kI420Facts,  &testenv::kY800Facts};

const FormatFacts& FactsOf(PixelFormat format)
{
    for (const FormatFacts* facts : kFormatFacts) {
        if (facts->format == format) {
            return *facts;
        }
    }
    return testenv::kRgb24Facts;
}

} // namespace

TEST(FormatLadder, EveryFormatAtEverySizeOnceWithTheClientsHeaderAndSubtype)
{
    std::set<std::tuple<int, int, int>> seen;
    int wholeImage = 0;
    for (int i = 0; i < kLadderEntryCount; ++i) {
        const LadderEntry entry = LadderEntryAt(i);
        const FormatFacts& facts = FactsOf(entry.format);
        SCOPED_TRACE(testing::Message() << i << ": " << facts.name << " " << entry.width << "x" << entry.height);
        EXPECT_TRUE(seen.insert({static_cast<int>(entry.format), entry.width, entry.height}).second) << "listed twice";
        wholeImage += entry.wholeImage ? 1 : 0;
        EXPECT_EQ(entry.wholeImage, entry.width == 3264 && entry.height == 2448);

        const BITMAPINFOHEADER header = HeaderOf(entry.format, entry.width, entry.height);
        EXPECT_EQ(header.biCompression, facts.compression);
        EXPECT_EQ(header.biBitCount, facts.bitCount);
        EXPECT_EQ(header.biWidth, entry.width);
        EXPECT_EQ(header.biHeight, entry.height) << "positive: RGB bottom-up, YUV and grey top-down by definition";
        EXPECT_EQ(header.biSizeImage, testenv::FrameBytesOf(facts, entry.width, entry.height));
        EXPECT_TRUE(IsEqualGUID(SubtypeOf(entry.format), facts.subtype));

        PixelFormat back = PixelFormat::Rgb24;
        ASSERT_TRUE(FormatOfHeader(header, &back));
        EXPECT_EQ(back, entry.format);
        ASSERT_TRUE(FormatOfSubtype(facts.subtype, &back));
        EXPECT_EQ(back, entry.format);
        EXPECT_EQ(FitForSize(entry.width, entry.height),
                  entry.width >= 3032 ? FrameFit::CentredCut : FrameFit::ScaledWindow);
    }
    EXPECT_EQ(static_cast<size_t>(kLadderEntryCount), seen.size());
    EXPECT_EQ(kLadderFormatCount, wholeImage);
    EXPECT_EQ(LadderEntryAt(kLadderEntryCount).width, 0);
    EXPECT_EQ(LadderEntryAt(-1).width, 0);

    PixelFormat iyuv = PixelFormat::Rgb24;
    EXPECT_TRUE(FormatOfSubtype(testenv::kIyuvFacts.subtype, &iyuv));
    EXPECT_EQ(iyuv, PixelFormat::I420);
    EXPECT_FALSE(FormatOfSubtype(MEDIASUBTYPE_RGB565, &iyuv));
}

TEST(FormatLadder, ATypesFrameFollowsItsStrideOrTheTypeIsRefused)
{
    const struct {
        const char* name;
        const FormatFacts& facts;
        int width, height, rowPixels;
        LONG heightSign; // -1: the header's height negative
        size_t stride;   // 0: refused
    } cases[] = {
        {"RGB24, its own rows", testenv::kRgb24Facts, 640, 480, 0, 1, 1920},
        {"RGB24, a renderer's wider rows", testenv::kRgb24Facts, 640, 480, 704, 1, 2112},
        {"RGB24 top-down is not delivered", testenv::kRgb24Facts, 640, 480, 0, -1, 0},
        {"RGB32, wider rows", testenv::kRgb32Facts, 1280, 720, 1344, 1, 5376},
        {"YUY2", testenv::kYuy2Facts, 1920, 1080, 0, 1, 3840},
        {"NV12, wider rows", testenv::kNv12Facts, 1280, 720, 1344, 1, 1344},
        {"NV12 with a negative height: top-down all the same", testenv::kNv12Facts, 1280, 720, 0, -1, 1280},
        {"IYUV", testenv::kIyuvFacts, 640, 480, 0, 1, 640},
        {"I420 at an odd row: its chroma rows cannot take half", testenv::kI420Facts, 640, 480, 641, 1, 0},
        {"Y800", testenv::kY800Facts, 3032, 2016, 0, 1, 3032},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestVideoType type(c.facts, c.width, c.height, c.rowPixels);
        type.Info().bmiHeader.biHeight *= c.heightSign;
        const FrameLayout layout = FrameLayoutOfType(*type.Type());
        EXPECT_EQ(layout.stride, c.stride);
        if (c.stride != 0) {
            EXPECT_EQ(layout.format, c.facts.format);
            EXPECT_EQ(layout.width, c.width);
            EXPECT_EQ(layout.height, c.height);
            EXPECT_EQ(layout.Bytes(), static_cast<size_t>(type.Info().bmiHeader.biSizeImage));
            EXPECT_EQ(layout.fit, FitForSize(c.width, c.height));
        }
    }

    // A subtype and a header that disagree, and an image size below the frame.
    TestVideoType mixed(testenv::kNv12Facts, 1280, 720);
    mixed.Type()->subtype = testenv::kI420Facts.subtype;
    EXPECT_TRUE(FrameLayoutOfType(*mixed.Type()).IsEmpty());
    TestVideoType shortImage(testenv::kNv12Facts, 1280, 720, 1344);
    shortImage.Info().bmiHeader.biSizeImage = 1280 * 720 * 3 / 2;
    EXPECT_TRUE(FrameLayoutOfType(*shortImage.Type()).IsEmpty()) << "the rows at 1344 need more";
    // A rectangle that is not a wider stride is ignored, as it always was.
    TestVideoType offset(testenv::kRgb24Facts, 640, 480);
    offset.Info().rcTarget = {10, 10, 100, 100};
    EXPECT_EQ(FrameLayoutOfType(*offset.Type()).width, 640);
}

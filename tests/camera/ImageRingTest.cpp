// The controller's image buffers: which buffer the capture thread may fetch
// into while consumers read, so that an image being copied is never written;
// the frame made once for readers of one layout; and the arrival times of the
// latest frames kept beside them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

#include "camera/FrameArrivals.h"
#include "camera/ImageLimits.h"
#include "camera/ImageRing.h"
#include "camera/SharedFrame.h"

namespace {

// Fetches one image of a single byte value into a free buffer and publishes it.
int Fetch(ImageRing& ring, unsigned char value, LONG sequence, int width = 4, int height = 2)
{
    const int buffer = ring.BeginWrite();
    if (buffer == ImageRing::kNone) {
        return buffer;
    }
    unsigned char* pixels = ring.Reserve(buffer, width, height);
    EXPECT_NE(pixels, nullptr);
    std::memset(pixels, value, static_cast<size_t>(width) * height * 3);
    ring.Publish(buffer, width, height, sequence);
    return buffer;
}

} // namespace

TEST(ImageRing, AWriteTurnNeverGoesToTheNewestOrToABufferBeingRead)
{
    ImageRing ring;
    const ImageRing::Read none = ring.BeginRead();
    EXPECT_EQ(none.pixels, nullptr) << "before the first image the frame reads as black";
    ring.EndRead(none);

    ASSERT_TRUE(ring.PublishBlack(4, 2, 7));
    const ImageRing::Read black = ring.BeginRead();
    EXPECT_EQ(black.pixels, nullptr) << "the black image reads as black, with no memory behind it";
    EXPECT_EQ(black.sequence, 7);
    EXPECT_EQ(black.width * black.height, 8);
    ring.EndRead(black);

    // A slow reader keeps the image it started on while newer ones come:
    // the ring keeps fetching around it, and its bytes never change.
    Fetch(ring, 0x11, 8);
    const ImageRing::Read slow = ring.BeginRead();
    EXPECT_GT(slow.serial, black.serial) << "every publication has its own serial";
    for (LONG sequence = 9; sequence < 30; ++sequence) {
        const int written = Fetch(ring, static_cast<unsigned char>(sequence), sequence);
        ASSERT_NE(written, ImageRing::kNone);
        EXPECT_NE(written, slow.buffer);
    }
    EXPECT_EQ(slow.sequence, 8);
    EXPECT_EQ(slow.pixels[0], 0x11);
    EXPECT_EQ(slow.pixels[23], 0x11);

    // Two readers on two different images and a write in progress: no turn
    // is left until one of them ends.
    const ImageRing::Read second = ring.BeginRead();
    ASSERT_NE(second.buffer, slow.buffer);
    const int writing = ring.BeginWrite();
    ASSERT_NE(writing, ImageRing::kNone);
    EXPECT_EQ(std::set<int>({slow.buffer, second.buffer, writing}).size(), 3u);
    EXPECT_EQ(ring.BeginWrite(), ImageRing::kNone) << "the buffer being written is not handed out twice";
    ring.Abandon(writing);
    ring.EndRead(slow);
    // With the slow reader gone, only the newest is read: both others are free in turn.
    EXPECT_NE(ring.BeginWrite(), ImageRing::kNone);
    EXPECT_NE(ring.BeginWrite(), ImageRing::kNone);
    EXPECT_EQ(ring.BeginWrite(), ImageRing::kNone);
    ring.EndRead(second);
}

TEST(ImageRing, EveryReservedBufferHoldsTheLargestImageAndLargerSizesAreRefused)
{
    // The SDK's fetch writes whatever size the camera has at that moment, up
    // to the whole sensor: a buffer sized by the size asked could be overrun.
    ImageRing ring;
    const int buffer = ring.BeginWrite();
    ASSERT_NE(buffer, ImageRing::kNone);
    const struct {
        int width;
        int height;
        bool usable;
    } cases[] = {
        {0, 2, false}, {4, 0, false}, {-4, 2, false}, {32768, 32768, false},
        // larger than the sensor's image
        {3264, 2449, false}, {3265, 2448, false}, {4000, 3000, false},
        {4, 2, true}, {2, 2, true}, {3032, 2016, true}, {3264, 2448, true},
        // no more bytes than the sensor's image
        {8000, 998, true},
    };
    unsigned char* pixels = ring.Reserve(buffer, 4, 2);
    ASSERT_NE(pixels, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(ring.Reserve(buffer, c.width, c.height), c.usable ? pixels : nullptr) << "one buffer, never moved";
    }
    // The whole sensor's image fits from the first, smallest reserve on.
    std::memset(pixels, 0x5A, kLargestImageBytes);
    ring.Abandon(buffer);
    // A black image of an unusable size publishes nothing.
    EXPECT_FALSE(ring.PublishBlack(0, 2, 1));
    EXPECT_EQ(ring.BeginRead().pixels, nullptr);
}

// The capture thread prepares the buffer of the first frame's fetch on a
// write turn it then gives back: nothing is published (the black image
// stays the newest, read as black), the next write turn is that same buffer
// and its memory is the one prepared. Whatever the black image's buffer and
// the readers, the prepared buffer is the next fetch's.
TEST(ImageRing, APreparedBufferIsTheNextFetchsAndPublishesNothing)
{
    for (int reading : {0, 1}) {
        ImageRing ring;
        if (reading) {
            Fetch(ring, 0x11, 1); // an earlier open's image, still read
        }
        const ImageRing::Read earlier = ring.BeginRead();
        ASSERT_TRUE(ring.PublishBlack(4, 2, 5));
        const int prepared = ring.BeginWrite();
        ASSERT_NE(prepared, ImageRing::kNone);
        ASSERT_TRUE(ring.Prepare(prepared));
        unsigned char* const memory = ring.Reserve(prepared, 4, 2);
        ASSERT_NE(memory, nullptr);
        EXPECT_TRUE(ring.Prepare(prepared)) << "a second preparation is no work and no failure";
        ring.Abandon(prepared);

        const ImageRing::Read black = ring.BeginRead();
        EXPECT_EQ(black.pixels, nullptr) << "reading " << reading << ": the preparation published nothing";
        EXPECT_EQ(black.sequence, 5);
        ring.EndRead(black);
        const int next = ring.BeginWrite();
        EXPECT_EQ(next, prepared) << "reading " << reading;
        EXPECT_EQ(ring.Reserve(next, 3264, 2448), memory) << "the fetch goes into the prepared memory";
        ring.Abandon(next);
        ring.EndRead(earlier);
    }
}

TEST(SharedFrame, IsMadeOnceForReadersOfOneLayoutAndNeverOverwrittenWhileCopied)
{
    SharedFrame shared;
    const FrameLayout nv12 = FrameLayout::Natural(PixelFormat::Nv12, 64, 48, FrameFit::ScaledWindow);
    const FrameLayout i420 = FrameLayout::Natural(PixelFormat::I420, 64, 48, FrameFit::ScaledWindow);
    using Turn = SharedFrame::Turn;
    const int a = 1, b = 2, c = 3;
    enum Step { Take, Made, Failed, Copied, Forget };
    struct Case {
        const char* what;
        Step step;
        int reader;
        uint64_t serial;
        const FrameLayout* layout;
        Turn expected; // of Take
    };
    const Case cases[] = {
        {"a reader alone converts on its own", Take, a, 1, &nv12, Turn::Alone},
        {"a second reader of the layout makes the frame", Take, b, 1, &nv12, Turn::Make},
        {"the first waits for it", Take, a, 1, &nv12, Turn::Wait},
        {"made: its maker holds a copy turn", Made, b, 0, nullptr, Turn::Alone},
        {"the frame is copied", Take, a, 1, &nv12, Turn::Copy},
        {"no new frame is made while it is copied", Take, a, 2, &nv12, Turn::Alone},
        {"", Copied, a, 0, nullptr, Turn::Alone},
        {"", Copied, b, 0, nullptr, Turn::Alone},
        {"the next image's frame, once nobody copies", Take, a, 2, &nv12, Turn::Make},
        {"another layout is not shared", Take, b, 2, &i420, Turn::Alone},
        {"a failed make is not copied", Failed, a, 0, nullptr, Turn::Alone},
        {"", Take, b, 2, &nv12, Turn::Alone},
        {"no image (black) is not shared", Take, a, 0, &nv12, Turn::Alone},
        {"a reader that goes is no peer", Forget, b, 0, nullptr, Turn::Alone},
        {"", Take, a, 3, &nv12, Turn::Alone},
        {"peers may be any readers", Take, c, 3, &nv12, Turn::Make},
    };
    for (const Case& step : cases) {
        SCOPED_TRACE(step.what);
        const void* reader = reinterpret_cast<const void*>(static_cast<uintptr_t>(step.reader));
        switch (step.step) {
        case Take:
            EXPECT_EQ(shared.Take(reader, step.serial, *step.layout), step.expected);
            break;
        case Made:
        case Failed:
            if (step.step == Made) {
                ASSERT_NE(shared.Reserve(nv12.Bytes()), nullptr);
            }
            shared.EndMake(step.step == Made);
            break;
        case Copied:
            shared.EndCopy();
            break;
        case Forget:
            shared.Forget(reader);
            break;
        }
    }

    // Only a few readers are kept track of: one more converts alone.
    SharedFrame crowded;
    for (uintptr_t reader = 1; reader <= 4; ++reader) {
        crowded.Take(reinterpret_cast<const void*>(reader), 1, nv12);
    }
    crowded.EndMake(false);
    EXPECT_EQ(crowded.Take(reinterpret_cast<const void*>(uintptr_t{5}), 2, nv12), Turn::Alone);
}

TEST(FrameArrivals, KeepsTheLatestFramesArrivalsAndForgetsOlderOnes)
{
    FrameArrivals arrivals;
    for (LONG sequence = 1; sequence <= 20; ++sequence) {
        arrivals.Note(sequence, 1000 + sequence);
    }
    const struct {
        LONG sequence;
        int64_t arrival;
    } cases[] = {
        {20, 1020}, {13, 1013}, // the newest kKept frames
        {12, 0}, {1, 0},        // overwritten by later frames in their slots
        {0, 0}, {21, 0},        // the black image before the first frame; one not yet come
    };
    for (const auto& c : cases) {
        EXPECT_EQ(arrivals.Of(c.sequence), c.arrival) << "frame " << c.sequence;
    }
}

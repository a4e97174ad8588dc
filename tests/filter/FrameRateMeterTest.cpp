// The delivery rate meter: the mean interval over its window of deliveries.
#include <gtest/gtest.h>

#include "filter/FrameRateMeter.h"

namespace {

LONGLONG Frequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

// Counts for a number of 100-ns units.
LONGLONG Counts(LONGLONG units)
{
    return units * Frequency() / 10000000;
}

TEST(FrameRateMeter, ReportsTheMeanIntervalOfItsLastDeliveries)
{
    FrameRateMeter meter;
    REFERENCE_TIME interval = -1;
    EXPECT_FALSE(meter.MeanInterval(&interval));
    meter.Delivered(1000);
    EXPECT_FALSE(meter.MeanInterval(&interval)) << "one delivery has no interval";
    EXPECT_EQ(interval, -1);

    // 30 per second, from an arbitrary start.
    const LONGLONG start = 123456789;
    meter.Restart();
    for (int i = 0; i < 10; ++i) {
        meter.Delivered(start + Counts(333333) * i);
    }
    ASSERT_TRUE(meter.MeanInterval(&interval));
    EXPECT_NEAR(interval, 333333, 2);

    // Slowed to 15 per second: once a window of slow deliveries has passed, the fast ones are forgotten.
    const LONGLONG slowStart = start + Counts(333333) * 9;
    for (int i = 1; i <= FrameRateMeter::kWindow; ++i) {
        meter.Delivered(slowStart + Counts(666666) * i);
    }
    ASSERT_TRUE(meter.MeanInterval(&interval));
    EXPECT_NEAR(interval, 666666, 2);

    // A stream that ends forgets its rate.
    meter.Restart();
    EXPECT_FALSE(meter.MeanInterval(&interval));
}

TEST(FrameRateMeter, LongIntervalsDoNotOverflow)
{
    FrameRateMeter meter;
    // An hour between two deliveries.
    meter.Delivered(0);
    meter.Delivered(Frequency() * 3600);
    REFERENCE_TIME interval = 0;
    ASSERT_TRUE(meter.MeanInterval(&interval));
    EXPECT_EQ(interval, 3600LL * 10000000);
}

} // namespace

// The exposure control's steps: powers of two of a second, onto the "Camera
// Set" page's exposure times and back.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/StandardControls.h"

namespace {

TEST(ExposureSteps, EveryStepRoundTripsThroughThePagesExposureTimes)
{
    EXPECT_EQ(exposure_steps::Minimum(), -4) << "2^-5 s is below the page's 40 ms";
    EXPECT_EQ(exposure_steps::Maximum(), 9) << "2^10 s is above the page's 557 s";
    for (long step = exposure_steps::Minimum(); step <= exposure_steps::Maximum(); ++step) {
        const uint32_t time = exposure_steps::TimeForStep(step);
        EXPECT_EQ(exposure_steps::StepForTime(time), step) << time << " ms";
        // Near the power of two: within a quarter of a step where the page's
        // times are close together, within 0.4 at its short end (40, 80 ms).
        const double seconds = time / 1000.0;
        EXPECT_NEAR(std::log2(seconds), step, step < -3 ? 0.4 : 0.25) << time << " ms";
    }
    // Times outside the range read as its ends.
    EXPECT_EQ(exposure_steps::StepForTime(0), -4);
    EXPECT_EQ(exposure_steps::StepForTime(40), -4);
    EXPECT_EQ(exposure_steps::StepForTime(4000000000u), 9);
}

} // namespace

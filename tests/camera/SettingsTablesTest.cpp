// The lookups between the settings page's slider positions and camera values.
#include <gtest/gtest.h>

#include "camera/SettingsTables.h"

TEST(SettingsTables, IsoGainLookupsRoundUpToTheNextStep)
{
    EXPECT_EQ(GainToIsoStep(185), 3);
    EXPECT_EQ(IsoStepToGain(3), 251);
    EXPECT_EQ(GainToIsoStep(0), 1);
    EXPECT_EQ(GainToIsoStep(-5), 1);
    EXPECT_EQ(GainToIsoStep(80), 1);
    EXPECT_EQ(GainToIsoStep(81), 2);
    EXPECT_EQ(GainToIsoStep(650), 9);
    EXPECT_EQ(GainToIsoStep(651), 9);
    EXPECT_EQ(GainToIsoStep(65535), 9);
    for (const IsoGainRow& row : IsoGainTable) {
        EXPECT_EQ(GainToIsoStep(IsoStepToGain(row.step)), row.step);
        EXPECT_EQ(row.label, row.step * 100);
    }
    // Outside the slider's range the lookup stays inside the table.
    EXPECT_EQ(IsoStepToGain(0), 80);
    EXPECT_EQ(IsoStepToGain(10), 650);
}

TEST(SettingsTables, ExposureTimeLookupsRoundUpAndWrapAboveTheTable)
{
    EXPECT_EQ(ExposureTimeToStep(181), 4);
    EXPECT_EQ(ExposureTimeTable[4], 200u);
    EXPECT_EQ(ExposureTimeToStep(0), 0);
    EXPECT_EQ(ExposureTimeToStep(40), 0);
    EXPECT_EQ(ExposureTimeToStep(41), 1);
    EXPECT_EQ(ExposureTimeToStep(557000), 74);
    EXPECT_EQ(ExposureTimeToStep(557001), 0);
    EXPECT_EQ(ExposureTimeToStep(0xFFFFFFFFu), 0);
    for (int position = 1; position < kExposureTimeSteps; ++position) {
        EXPECT_LT(ExposureTimeTable[position - 1], ExposureTimeTable[position]) << position;
    }
    EXPECT_EQ(ExposureTimeAt(0), 40u);
    EXPECT_EQ(ExposureTimeAt(74), 557000u);
    EXPECT_EQ(ExposureTimeAt(75), 557000u);
    EXPECT_EQ(ExposureTimeAt(-1), 40u);
}

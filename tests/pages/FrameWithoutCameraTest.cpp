// Both pages in the property frame without the camera SDK (this program's folder has no ZorvikSDK.dll, so live calls
// reach the loader's stand-ins): nothing crashes or reads what the camera never wrote, and Apply stores the dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include "camera/CameraSdkLoader.h"
#include "resources/resource.h"
#include "tests/pages/PropertyFrameFixture.h"
#include "tests/support/SimCameraProbe.h"

using testenv::ExpectFields;
using testenv::Field;
namespace setting = testenv::setting;

namespace {

using FrameWithoutCameraTest = PropertyFrameFixture;

TEST_F(FrameWithoutCameraTest, SettingsPageKeepsWorkingAndStoresTheDialog)
{
    ASSERT_FALSE(GetCameraSdk().present) << "this program must run without ZorvikSDK.dll beside it";
    OpenSettingsFrame();
    // A fresh record's values: neither the file nor the camera had any.
    EXPECT_EQ(Position(IDC_GAIN_R), 100);
    EXPECT_EQ(Position(IDC_ISO), 1);
    WaitPastSettling();

    MoveSlider(IDC_ISO, 4);
    MoveSlider(IDC_EXPOSURE_TIME, 10);
    MoveSlider(IDC_GAMMA, 150);
    EXPECT_EQ(Text(IDC_GAMMA_VALUE), " 1.50");
    // Manual exposure cannot read the camera: the sliders keep their places.
    Click(IDC_AE_ENABLE);
    EXPECT_FALSE(Checked(IDC_AE_ENABLE));
    EXPECT_EQ(Position(IDC_ISO), 4);
    EXPECT_EQ(Position(IDC_EXPOSURE_TIME), 10);
    EXPECT_TRUE(Enabled(IDC_ISO));
    // White balance cannot read gains: the sliders stay.
    Click(IDC_AUTO_WHITE_BALANCE);
    EXPECT_EQ(Position(IDC_GAIN_R), 100);
    EXPECT_EQ(Position(IDC_GAIN_G), 88);
    for (int id : {IDC_RESTART, IDC_ENHANCEMENT_ENABLE, IDC_SPEED_NORMAL, IDC_HFLIP, IDC_VFLIP, IDC_MONO}) {
        Click(id);
    }
    ASSERT_EQ(ApplyPage(settingsFactory), S_OK);

    const std::vector<uint8_t> file = testenv::SettingsFile();
    ASSERT_EQ(file.size(), 67u);
    ExpectFields(file, {
        {setting::kAeState, 0},
        {setting::kAnalogGain, 354},
        {setting::kExposureTimeMS, 440},
        {setting::kGamma, 150},
        {setting::kGainR, 100},
        {setting::kColorEnhancement, 0},
        {setting::kFrameSpeed, 2},
        {setting::kHMirror, 1},
        {setting::kVMirror, 1},
        {setting::kMonochrome, 1},
    });

    Click(IDC_DEFAULT);
    EXPECT_EQ(Position(IDC_AE_TARGET), 140);
    EXPECT_TRUE(frame->CloseWith("OK"));
}

TEST_F(FrameWithoutCameraTest, FormatPageStoresTheResolution)
{
    OpenFormatFrame();
    EXPECT_TRUE(Checked(IDC_RES_FULL));
    Click(IDC_RES_FULL);
    ASSERT_EQ(ApplyPage(formatFactory), S_OK);
    EXPECT_EQ(Field(testenv::SettingsFile(), setting::kResolution), 0u);
    EXPECT_TRUE(frame->CloseWith("Cancel"));
}

} // namespace

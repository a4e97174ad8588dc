// The "Format" page in the platform's property frame: radio buttons, what Apply hands the filter, a screenshot.
#include <gtest/gtest.h>
#include <windows.h>

#include "camera/CameraConfig.h"
#include "camera/CameraSdk.h"
#include "resources/resource.h"
#include "simcamera/SimControl.h"
#include "tests/pages/PropertyFrameFixture.h"
#include "tests/pages/RecordingPageSite.h"
#include "tests/support/SettingsRecord.h"
#include "tests/support/SimCameraProbe.h"

using testenv::Field;
namespace setting = testenv::setting;

namespace {

class FormatPageFrameTest : public PropertyFrameFixture {
protected:
    void SetUp() override
    {
        SimReset();
        PropertyFrameFixture::SetUp();
    }
    static void StoreResolution(uint8_t resolution)
    {
        ASSERT_EQ(testenv::SettingsOf({{setting::Resolution, resolution}}).SaveToFile(), 1);
    }
};

TEST_F(FormatPageFrameTest, HiddenResolutionShowsTheVisibleButtonUncheckedUntilClicked)
{
    StoreResolution(1);
    OpenFormatFrame();
    EXPECT_TRUE(Checked(IDC_RES_2BIN));
    EXPECT_FALSE(IsWindowVisible(Control(IDC_RES_2BIN)));
    EXPECT_FALSE(Checked(IDC_RES_FULL));
    EXPECT_TRUE(IsWindowVisible(Control(IDC_RES_FULL)));
    EXPECT_EQ(Dirty(formatFactory), S_FALSE);

    // The hidden button is outside the dialog manager's reach and may stay checked: the visible one wins.
    Click(IDC_RES_FULL);
    EXPECT_TRUE(Checked(IDC_RES_FULL));
    EXPECT_EQ(Dirty(formatFactory), S_OK);
    SimClearJournal();
    ASSERT_EQ(ApplyPage(formatFactory), S_OK);
    EXPECT_EQ(Dirty(formatFactory), S_FALSE);
    const std::vector<uint8_t> file = testenv::SettingsFile();
    ASSERT_EQ(file.size(), 67u);
    EXPECT_EQ(Field(file, setting::kResolution), 0u);
    // A new resolution takes effect at the camera's next open: nothing is sent now.
    EXPECT_EQ(testenv::JournalText().find("CameraSet"), std::string::npos) << testenv::JournalText();

    // Closing the page sends nothing.
    testenv::RemoveSettingsFile();
    ASSERT_TRUE(frame->CloseWith("Cancel"));
    EXPECT_TRUE(testenv::SettingsFile().empty());
}

TEST_F(FormatPageFrameTest, UnknownResolutionShowsTheFullSensorAndApplyStoresZero)
{
    StoreResolution(7);
    OpenFormatFrame();
    EXPECT_TRUE(Checked(IDC_RES_FULL));
    for (int id : {IDC_RES_2BIN, IDC_RES_4BIN, IDC_RES_800X600, IDC_RES_640X480}) {
        EXPECT_FALSE(Checked(id)) << id;
    }
    // Clicking the button already checked counts as a change.
    Click(IDC_RES_FULL);
    EXPECT_EQ(Dirty(formatFactory), S_OK);
    ASSERT_EQ(ApplyPage(formatFactory), S_OK);
    EXPECT_EQ(Field(testenv::SettingsFile(), setting::kResolution), 0u);
}

TEST_F(FormatPageFrameTest, ApplyAfterTheWindowIsGoneKeepsTheHeldResolution)
{
    StoreResolution(2);
    OpenFormatFrame();
    EXPECT_TRUE(Checked(IDC_RES_4BIN));
    Click(IDC_RES_FULL);
    ASSERT_TRUE(frame->CloseWith("Cancel"));

    // The page is still connected and dirty; its window is gone, where every button would read as unchecked.
    Microsoft::WRL::ComPtr<IPropertyPage> page = formatFactory->LastPage();
    ASSERT_TRUE(page);
    ASSERT_EQ(page->IsPageDirty(), S_OK);
    testenv::RemoveSettingsFile();
    EXPECT_EQ(page->Apply(), S_OK);
    const std::vector<uint8_t> file = testenv::SettingsFile();
    ASSERT_EQ(file.size(), 67u);
    EXPECT_EQ(Field(file, setting::kResolution), 2u);
}

TEST_F(FormatPageFrameTest, ApplyLeavesTheOtherSettingsAsTheyAreNow)
{
    StoreResolution(2);
    OpenFormatFrame();
    // Changed after the page connected (as "Camera Set"'s Apply does): the file's other fields rewritten.
    const CameraConfig changed =
        testenv::SettingsOf({{setting::Resolution, 2}, {setting::Reserved0, 0x1234}, {setting::Gamma, 99}});
    ASSERT_EQ(changed.SaveToFile(), 1);
    Click(IDC_RES_FULL);
    ASSERT_EQ(ApplyPage(formatFactory), S_OK);
    const std::vector<uint8_t> file = testenv::SettingsFile();
    EXPECT_EQ(Field(file, setting::kGamma), 99u) << "the value now, not the one read at connect";
    EXPECT_EQ(Field(file, setting::kResolution), 0u);
    EXPECT_EQ(Field(file, setting::kReserved0), 0u) << "the format part is the page's own, reserved words included";
}

TEST_F(FormatPageFrameTest, ScreenshotAndAnObjectWithoutCameraSettings)
{
    Microsoft::WRL::ComPtr<CountingUnknown> plain = win::MakeComObject<CountingUnknown>();
    StoreResolution(1);
    OpenFormatFrame(plain.Get());
    // No record to read: a fresh record's resolution 0.
    EXPECT_TRUE(Checked(IDC_RES_FULL));
    ASSERT_NO_FATAL_FAILURE(SaveFrameScreenshot("format-page.png"));

    Click(IDC_RES_FULL);
    testenv::RemoveSettingsFile();
    EXPECT_EQ(ApplyPage(formatFactory), S_OK);
    ASSERT_TRUE(frame->CloseWith("OK"));
    EXPECT_TRUE(testenv::SettingsFile().empty());
    formatFactory->ReleasePages();
    EXPECT_EQ(plain->References(), 1u);
}

} // namespace
